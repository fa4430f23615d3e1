// SessionNS::CSessionStateBase: the run-time state of one host session as keyed text
// values, each with a dirty flag (set explicitly rather than defaulted). Override copies
// only dirty values. The base keeps the switches ACCUMULATE, TRANSLATE and ENCODING; the
// family states (QUIL, ARLO, ZEL) add theirs. Not locked: the session guards it.
#pragma once

#include <map>

#include "session/Serializable.h"
#include "session/SessionApi.h"
#include "toolkit/String.h"

namespace SessionNS {

class CSessionConfigBase;

class SESSION_API CSessionStateBase : public CSerializable {
public:
    enum EEncoding : std::int32_t { ASCII = 0, ANSI = 1 };

    class SESSION_API CValue {
    public:
        void Set(const char* text) { m_Text = text != nullptr ? text : ""; }
        void Set(const UTKString::CString& text) { m_Text = text; }
        void Set(bool value) { m_Text = value ? "1" : "0"; }
        void SetTrueFalse(bool value) { m_Text = value ? "TRUE" : "FALSE"; }
        void SetYesNo(bool value) { m_Text = value ? "YES" : "NO"; }
        void SetOnOff(bool value) { m_Text = value ? "ON" : "OFF"; }
        void Set(unsigned value);
        void Set(int value);
        void Set(EProtocol value);
        void Set(EEncoding value) { m_Text = value == ANSI ? "ANSII" : "ASCII"; }

        UTKString::CString Get() const { return m_Text; }
        const char* GetString() const { return m_Text.c_str(); }
        bool GetBool() const { return m_Text == "1"; }
        bool GetTrueFalse() const;
        bool GetYesNo() const;
        bool GetOnOff() const;
        unsigned GetUINT() const;
        int GetINT() const;
        // CAPIException 1031 for an empty text.
        EProtocol GetProtocol() const;
        EEncoding GetEncoding() const;
        void SetDirty(bool dirty) { m_Dirty = dirty; }
        bool IsDirty() const { return m_Dirty; }

    private:
        UTKString::CString m_Text;
        bool m_Dirty = false;
    };

    ~CSessionStateBase() override;

    void SetMessageAccumulation(bool on) { _SetValue("ACCUMULATE", on, true); }
    bool GetMessageAccumulation() const { return _GetValue("ACCUMULATE").GetBool(); }
    void SetTranslation(bool on) { _SetValue("TRANSLATE", on, true); }
    bool GetTranslation() const { return _GetValue("TRANSLATE").GetBool(); }
    void SetEncoding(EEncoding encoding) { _SetValue("ENCODING", encoding, true); }
    EEncoding GetEncoding() const { return _GetValue("ENCODING").GetEncoding(); }
    EProtocol GetProtocol() const { return m_Protocol; }

    virtual void Fill(CSessionConfigBase& config) = 0;
    virtual void Override(CSessionStateBase& other) = 0;
    virtual void ForceOverrides() = 0;
    virtual void Erase() = 0;
    virtual CStream Serialize() = 0;
    virtual void Deserialize(CStream& record) = 0;
    virtual const char* GetHostName() const = 0;
    virtual unsigned GetPort() const = 0;
    virtual void SetLNIATA(const char* lniata) = 0;
    virtual const char* GetLNIATA() const = 0;
    virtual void SetString(const char* key, const char* value, int length) = 0;
    virtual const char* GetString(const char* key) = 0;

protected:
    friend class CSessionBase;  // copies states into its snapshots
    using ValueMap = std::map<UTKString::CString, CValue>;

    explicit CSessionStateBase(EProtocol protocol) : m_Protocol(protocol) {}
    CSessionStateBase(const CSessionStateBase&) = default;
    CSessionStateBase& operator=(const CSessionStateBase&) = delete;

    using CSerializable::GetProtocol;

    void _SetValue(const UTKString::CString& key, const UTKString::CString& value, bool dirty);
    void _SetValue(const UTKString::CString& key, const char* value, bool dirty);
    void _SetValue(const UTKString::CString& key, const char* value, int length, bool dirty);
    void _SetValue(const UTKString::CString& key, bool value, bool dirty);
    void _SetValue(const UTKString::CString& key, unsigned value, bool dirty);
    void _SetValue(const UTKString::CString& key, int value, bool dirty);
    void _SetValue(const UTKString::CString& key, EProtocol value, bool dirty);
    void _SetValue(const UTKString::CString& key, EEncoding value, bool dirty);
    void _SetTrueFalseValue(const UTKString::CString& key, bool value, bool dirty);
    void _SetYesNoValue(const UTKString::CString& key, bool value, bool dirty);
    void _SetOnOffValue(const UTKString::CString& key, bool value, bool dirty);
    const CValue& _GetValue(const UTKString::CString& key) const;
    void _ClearValueMap() { m_Values.clear(); }
    void EraseBase() { m_Values.clear(); }

    void FillBase(CSessionConfigBase& config);
    void OverrideBase(CSessionStateBase& other);
    void ForceOverridesBase();
    CSessionStateBase& CopyBase(const CSessionStateBase& other);
    CStream SerializeBase();
    // Reads the switches; returns the rest of the record from the first field after "59",
    // or from the first identifier the base does not know.
    CStream DeserializeBase(CStream& record);
    const char* GetStringBase(const char* key);
    void SetStringBase(const char* key, const char* value, int length);
    static UTKString::CString ConvertToHexString(const CStream& stream);
    // Fails unless the configuration belongs to this state's family.
    virtual void ConfirmConfigProtocol(CSessionConfigBase& config) const = 0;

private:
    CValue& Entry(const UTKString::CString& key, bool dirty);

    ValueMap m_Values;
    EProtocol m_Protocol;
};

// A protocol family's display name: "QUIL", "ARLO", "ZEL", or "" for another number.
SESSION_API const char* ProtocolWord(CSerializable::EProtocol protocol);

}  // namespace SessionNS
