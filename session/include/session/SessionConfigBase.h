// SessionNS::CSessionConfigBase: how one session reaches the host, as keyed text values
// with a dirty flag (set by the program rather than read from the configuration file).
// At a connect the session fills a fresh configuration from the file and lets the caller's
// configuration override it, so that what the program set wins. The base keeps ROUTENAME,
// SESSFILE, LNIATA, DRVLOGINTERFACE and SERVERMODE; the families (QUIL, ARLO, ZEL) add
// theirs. Not locked: the session guards it.
#pragma once

#include <map>

#include "session/Serializable.h"
#include "session/SessionApi.h"
#include "toolkit/ConfigFileAdapter.h"
#include "toolkit/Logger.h"
#include "toolkit/String.h"

namespace SessionNS {

class SESSION_API CSessionConfigBase : public CSerializable {
public:
    enum EDrvLogInterface : std::int32_t { SIMPLE = 0, PRIORITIZED = 1 };
    using EPRIORITY = UTKLogger::CPriority::EPRIORITY;

    class SESSION_API CValue {
    public:
        void Set(const UTKString::CString& text) { m_Text = text; }
        void Set(bool value) { m_Text = value ? "1" : "0"; }
        void Set(const char* text) { m_Text = text != nullptr ? text : ""; }
        void Set(EDrvLogInterface value) {
            m_Text = value == PRIORITIZED ? "PRIORITIZED" : "SIMPLE";
        }
        void Set(unsigned value) { m_Text = Decimal(value); }
        void Set(EPRIORITY value);

        const UTKString::CString& Get() const { return m_Text; }
        bool GetBool() const { return m_Text == "1"; }
        const char* GetString() const { return m_Text.c_str(); }
        EDrvLogInterface GetLogInterface() const;
        unsigned GetUINT() const { return ParseDecimal(m_Text.c_str()); }
        EPRIORITY GetPriority() const;
        void SetDirty(bool dirty) { m_Dirty = dirty; }
        bool IsDirty() const { return m_Dirty; }

    private:
        UTKString::CString m_Text;
        bool m_Dirty = false;
    };

    // Where a family's Fill reads a key: the route's section, "GLOBAL", or "GLOBAL" and
    // then the route, which wins when it has the key.
    enum class ESection : std::int32_t { Route, Global, GlobalThenRoute };
    // A family key: its record field (spec.key is the stored key, spec.name the name the
    // readers' messages use) and the key and section Fill reads it from.
    struct ConfigField {
        FieldSpec spec;
        const char* fileKey;
        ESection section;
    };

    ~CSessionConfigBase() override;

    EProtocol GetProtocol() const { return m_Protocol; }

    void SetRouteName(const char* name) { _SetValue("ROUTENAME", name, true); }
    const char* GetRouteName() const { return _GetString("ROUTENAME"); }
    void SetSessionFile(const char* file);
    const char* GetSessionFile() const { return _GetString("SESSFILE"); }
    void SetLNIATA(const char* lniata) { _SetValue("LNIATA", lniata, true); }
    const char* GetLNIATA() const { return _GetString("LNIATA"); }
    void SetDrvLogInterface(EDrvLogInterface mode) { _SetValue("DRVLOGINTERFACE", mode, true); }
    EDrvLogInterface GetDrvLogInterface() const { return _GetLogInterface(); }
    void SetServerMode(bool on) { _SetValue("SERVERMODE", on, true); }
    bool GetServerMode() const { return _GetBool("SERVERMODE"); }

    virtual const char* GetString(const char* key) = 0;
    virtual void SetString(const char* key, const char* value, int length) = 0;
    virtual CStream Serialize() = 0;
    virtual void Deserialize(CStream& record) = 0;
    // The base part reads PROTOCOL, LNIATA, SESSFILE, DRVLOGINTERFACE and SERVERMODE.
    virtual void Fill(UTKTools::CConfigFileAdapter& adapter) = 0;
    virtual void Override(CSessionConfigBase& other) = 0;
    virtual void ForceOverrides() = 0;

protected:
    friend class CSessionBase;  // copies configurations into its snapshots

    CSessionConfigBase(EProtocol protocol, const char* routeName);
    CSessionConfigBase(const CSessionConfigBase&) = default;
    CSessionConfigBase& operator=(const CSessionConfigBase&) = delete;

    using CSerializable::GetProtocol;

    void _SetValue(const UTKString::CString& key, const UTKString::CString& value, bool dirty);
    void _SetValue(const UTKString::CString& key, const char* value, bool dirty);
    void _SetValue(const UTKString::CString& key, const char* value, int length, bool dirty);
    void _SetValue(const UTKString::CString& key, bool value, bool dirty);
    void _SetValue(const UTKString::CString& key, unsigned value, bool dirty);
    void _SetValue(const UTKString::CString& key, EDrvLogInterface value, bool dirty);
    void _SetValue(const UTKString::CString& key, EPRIORITY value, bool dirty);
    const CValue& _GetValue(const UTKString::CString& key) const;
    UTKString::CString _Get(const UTKString::CString& key) const { return _GetValue(key).Get(); }
    bool _GetBool(const UTKString::CString& key) const { return _GetValue(key).GetBool(); }
    const char* _GetString(const UTKString::CString& key) const {
        return _GetValue(key).GetString();
    }
    unsigned _GetUINT(const UTKString::CString& key) const { return _GetValue(key).GetUINT(); }
    EPRIORITY _GetPriority(const UTKString::CString& key) const {
        return _GetValue(key).GetPriority();
    }
    EDrvLogInterface _GetLogInterface() const {
        return _GetValue("DRVLOGINTERFACE").GetLogInterface();
    }
    void _ClearValueMap() { m_Values.clear(); }

    void SetHost(const char* host) { _SetValue("HOSTBASE", host, true); }
    const char* GetHost() const { return _GetString("HOSTBASE"); }
    void SetPortA(unsigned port) { _SetValue("PORTBASE", port, true); }
    unsigned GetPort() const { return _GetUINT("PORTBASE"); }

    const char* GetStringBase(const char* key);
    void SetStringBase(const char* key, const char* value, int length);
    void OverrideBase(CSessionConfigBase& other);
    void ForceOverridesBase();
    CSessionConfigBase& CopyBase(const CSessionConfigBase& other);
    CStream SerializeBase();
    // Reads the base fields; returns the rest of the record from the first field after
    // "77", or from the first identifier the base does not know.
    CStream DeserializeBase(CStream& record);

    // The family helpers: one key read from the file, a family's fields appended to a
    // record, and a family's part of a record read back.
    void FillField(UTKTools::CConfigFileAdapter& adapter, const ConfigField& field);
    void WriteFamilyFields(const ConfigField* fields, std::size_t count, CStream& record) const;
    void ReadFamilyFields(const ConfigField* fields, std::size_t count, const char* className,
                          CStream& rest);

    // The digit of a logging threshold in a record, and back.
    static char PriorityDigit(EPRIORITY priority);
    static EPRIORITY PriorityFromDigit(char digit);

private:
    CValue& Entry(const UTKString::CString& key, bool dirty, const char* overload);

    EProtocol m_Protocol;
    std::map<UTKString::CString, CValue> m_Values;
    char m_ProtocolWord[8] = {};
};

}  // namespace SessionNS
