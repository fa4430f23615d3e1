// CSessionBase: construction, the driver binding, Connect and Terminate.
#include <cstdio>
#include <cstring>
#include <exception>

#include "BoundedFormat.h"
#include "DriverTable.h"
#include "platform/Process.h"
#include "session/ARLOSessionConfig.h"
#include "session/ARLOSessionState.h"
#include "session/QUILSessionConfig.h"
#include "session/QUILSessionState.h"
#include "session/SessionBase.h"
#include "session/ZELSessionConfig.h"
#include "session/ZELSessionState.h"
#include "toolkit/QorTranTables.h"

namespace SessionNS {

using P = UTKLogger::CPriority;

namespace detail {
DriverTable& Drivers() {
    static DriverTable* table = new DriverTable;  // outlives every session
    return *table;
}
}  // namespace detail

namespace {

// The longest time-out a blocking wait takes, in milliseconds.
constexpr unsigned kMaxWaitMs = 0x7FFFFFFE;

std::int32_t WaitMs(unsigned seconds) {
    const unsigned long long ms = static_cast<unsigned long long>(seconds) * 1000u;
    return static_cast<std::int32_t>(ms < kMaxWaitMs ? ms : kMaxWaitMs);
}

}  // namespace

CSessionBase::CSessionBase()
    : m_SessionNumber(IncrementSessionCount()),
      m_AsciiTran(QorTranNS::kAsciiClientToQFE, QorTranNS::kAsciiClientToExtendedQFE,
                  QorTranNS::kAsciiQFEToClient, QorTranNS::kAsciiExtendedQFEToClient),
      m_AnsiTran(QorTranNS::kAnsiClientToQFE, QorTranNS::kAnsiClientToExtendedQFE,
                 QorTranNS::kAnsiQFEToClient, QorTranNS::kAnsiExtendedQFEToClient) {}

CSessionBase::~CSessionBase() {
    Terminate();
    UTKTools::CGuard config(m_ConfigLock);
    UTKTools::CGuard state(m_StateLock);
    delete m_pConfig;
    delete m_pConfigSnapshot;
    delete m_pState;
    delete m_pStateSnapshot;
    m_pConfig = m_pConfigSnapshot = nullptr;
    m_pState = m_pStateSnapshot = nullptr;
}

std::uint32_t CSessionBase::IncrementSessionCount() {
    detail::DriverTable& table = detail::Drivers();
    UTKTools::CGuard guard(table.sessionCountMutex);
    return ++table.sessionCount;
}

void CSessionBase::Fail(const char* context, EPRIORITY priority, COMMError code, bool setLastError,
                        const char* format, ...) {
    UTKString::CString text;
    va_list args;
    va_start(args, format);
    (void)detail::FormatBoundedV(text, format, args);
    va_end(args);
    if (setLastError) {
        m_LastError = code;
    }
    Log(priority, context, "%s", text.c_str());
    throw CAPIException(code, "%s", text.c_str());
}

platform::DynamicLibrary* CSessionBase::GetDLLHandle(const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        return nullptr;
    }
    detail::DriverTable& table = detail::Drivers();
    UTKTools::CGuard guard(table.librariesMutex);
    const auto found = table.libraries.find(fileName);
    if (found != table.libraries.end()) {
        return found->second.get();
    }
    auto library = std::make_unique<platform::DynamicLibrary>();
    if (!library->Open(platform::MapLibraryName(fileName))) {
        return nullptr;
    }
    PFN_DLLInit init = nullptr;
    const platform::SymbolBinding binding[] = {platform::BindSymbol(kDriverExportDLLInit, init)};
    // A driver that cannot start its services is no driver.
    if (!library->Bind(binding) || init() == 0) {
        return nullptr;  // closed as it goes
    }
    platform::DynamicLibrary* handle = library.get();
    table.libraries.emplace(fileName, std::move(library));
    return handle;
}

void CSessionBase::ReleaseDLLHandles() {
    detail::DriverTable& table = detail::Drivers();
    UTKTools::CGuard guard(table.librariesMutex);
    for (auto& [name, library] : table.libraries) {
        PFN_DLLTerminate terminate = nullptr;
        const platform::SymbolBinding binding[] = {
            platform::BindSymbol(kDriverExportDLLTerminate, terminate)};
        if (library->Bind(binding)) {
            (void)terminate();
        }
        library->Close();
    }
    table.libraries.clear();
}

void CSessionBase::GetSessionConfig(CSessionConfigBase** slot, CSessionConfigBase& model) {
    if (*slot != nullptr && (*slot)->GetProtocol() == model.GetProtocol()) {
        return;
    }
    delete *slot;
    *slot = nullptr;
    switch (model.GetProtocol()) {
        case CSerializable::QUIL:
            *slot = new CQUILSessionConfig(model.GetRouteName());
            return;
        case CSerializable::ARLO:
            *slot = new CARLOSessionConfig(model.GetRouteName());
            return;
        case CSerializable::ZEL:
            *slot = new CZELSessionConfig(model.GetRouteName());
            return;
    }
    throw CAPIException(COMM_ERR_BAD_CONFIG_VALUE,
                        "CSessionBase::GetSessionConfig: Unrecognized config protocol %d",
                        static_cast<int>(model.GetProtocol()));
}

void CSessionBase::GetSessionState(CSessionStateBase** slot, CSerializable::EProtocol protocol) {
    if (*slot != nullptr && (*slot)->GetProtocol() == protocol) {
        return;
    }
    const bool had = *slot != nullptr;
    delete *slot;
    *slot = nullptr;
    try {
        switch (protocol) {
            case CSerializable::QUIL:
                *slot = new CQUILSessionState;
                return;
            case CSerializable::ARLO:
                *slot = new CARLOSessionState;
                return;
            case CSerializable::ZEL:
                *slot = new CZELSessionState;
                return;
        }
    } catch (const std::bad_alloc&) {
        Fail("CSessionBase::GetSessionState", P::FATAL, COMM_ERR_OUTOFMEMORY, true,
             "Unable to allocate %s state object, returning COMM_ERR_OUTOFMEMORY",
             ProtocolWord(protocol));
    }
    throw CAPIException(COMM_ERR_BAD_CONFIG_VALUE,
                        had ? "CSessionBase::GetSessionState: Unrecognized protocol %d on realloc"
                            : "CSessionBase::GetSessionState: Unrecognized protocol %d on alloc",
                        static_cast<int>(protocol));
}

CSessionStateBase* CSessionBase::GetState() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::GetState");
    UTKTools::CGuard guard(m_StateLock);
    if (m_pState == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No state object, returning COMM_ERR_RECONNECT");
    }
    GetSessionState(&m_pStateSnapshot, m_pState->GetProtocol());
    m_pStateSnapshot->CopyBase(*m_pState);
    m_pStateSnapshot->ForceOverrides();
    return m_pStateSnapshot;
}

CSessionConfigBase* CSessionBase::GetConfiguration() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::GetConfiguration");
    UTKTools::CGuard guard(m_ConfigLock);
    if (m_pConfig == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No state object, returning COMM_ERR_RECONNECT");
    }
    GetSessionConfig(&m_pConfigSnapshot, *m_pConfig);
    m_pConfigSnapshot->CopyBase(*m_pConfig);
    m_pConfigSnapshot->ForceOverrides();
    return m_pConfigSnapshot;
}

void CSessionBase::RefreshOptions() {
    auto* quil = dynamic_cast<CQUILSessionState*>(m_pState);
    CHostDrvInterface* driver = m_pDrvInt;
    if (quil == nullptr || driver == nullptr) {
        return;
    }
    QUILOptionsState record;
    const QUILOptionsState* filled = driver->GetElementState(0, &record);
    if (filled != nullptr) {
        const std::uint32_t length =
            filled->length < sizeof filled->data ? filled->length : sizeof filled->data;
        quil->SetOptionsData(CStream(filled->data, length));
    }
}

void CSessionBase::Connect(CSessionConfigBase& config, CSessionStateBase* state,
                           unsigned int timeoutSeconds) {
    ResetSessionContext();
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::Connect");
    Log(P::DEBUG, context, "called!");

    try {
        RefreshConfigFileCache();
        UTKTools::CGuard configGuard(m_ConfigLock);
        GetSessionConfig(&m_pConfig, config);
        FillSessionConfigFromConfigFileCache();
        Log(P::DEBUG, context, "Overriding Config!");
        m_pConfig->Override(config);
        if (std::strcmp(m_pConfig->GetLNIATA(), "000000") == 0) {
            // A pooled terminal. The id repeats after 2^32 / 100000 process ids' worth of
            // connects (the 32-bit formula the stored session files use).
            const std::uint32_t next = ++detail::Drivers().nextPooledId;
            SetSessionID(platform::GetCurrentProcessId() * 100000u + next);
            Log(P::DEBUG, context, "1 SetSessionID=%.8X", static_cast<unsigned>(GetSessionID()));
        } else {
            SetSessionID(0);
            Log(P::DEBUG, context, "2 SetSessionID=%.8X", static_cast<unsigned>(GetSessionID()));
        }
        UTKTools::CGuard stateGuard(m_StateLock);
        GetSessionState(&m_pState, config.GetProtocol());
        Log(P::DEBUG, context, "Filling State!");
        m_pState->Fill(*m_pConfig);
        if (state != nullptr) {
            Log(P::DEBUG, context, "Overriding State!");
            m_pState->Override(*state);
        }
    } catch (const CExceptionBase& e) {
        Log(P::FATAL, context, "%s", e.what());
        throw CExceptionBase(e);
    } catch (const std::exception& e) {
        m_LastError = COMM_ERR_NOCFGFILE;
        Log(P::FATAL, context, "%s", e.what());
        throw CAPIException(COMM_ERR_NOCFGFILE, "%s", e.what());
    }
    UpdateContext();

    LoadDriver(context);

    // A result signalled for an earlier connect must not end this one's wait.
    (void)m_ConnectCond.Wait(0);
    m_NeedToReconnect = 0;
    CHostDrvInterface* driver = m_pDrvInt;
    std::uint32_t reportsBefore = 0;
    {
        std::lock_guard lock(m_ConnectOutcomeLock);
        reportsBefore = m_ConnectReports;
    }
    const COMMError result = Convert(driver->ConnectToHost());
    {
        // An outcome OnConnect reported meanwhile stands, unless the call itself failed.
        std::lock_guard lock(m_ConnectOutcomeLock);
        if (m_ConnectReports == reportsBefore ||
            (result != COMM_NO_ERROR && result != COMM_WAITING))
            m_LastError = result;
    }
    BuildLocalContext(context, sizeof context, "CSessionBase::Connect");
    {
        UTKTools::CGuard guard(m_StateLock);
        (void)driver->SetAccumulationMode(m_pState->GetMessageAccumulation());
    }
    if (result != COMM_NO_ERROR && result != COMM_WAITING) {
        Fail(context, P::ERROR, result, false, "Error on ConnectToHost. Returning %s",
             CommErrorName(result));
    }
    if (timeoutSeconds == 0) {
        Log(P::INFO, context, "Non-blocking Connect.");
        return;
    }
    if (m_ConnectCond.Wait(WaitMs(timeoutSeconds)) == UTKTools::EWAIT_SIGNALED) {
        BuildLocalContext(context, sizeof context, "CSessionBase::Connect");
        const COMMError outcome = m_LastError;
        if (outcome != COMM_NO_ERROR) {
            m_NeedToReconnect = 1;
        }
        m_ConnectAckCond.Signal();
        if (outcome != COMM_NO_ERROR) {
            Fail(context, P::ERROR, outcome, false, "Blocking Connect Returning %s",
                 CommErrorName(outcome));
        }
        {
            UTKTools::CGuard guard(m_StateLock);
            RefreshOptions();
        }
        Log(P::INFO, context, "Blocking Connect Returning %s", "COMM_NO_ERROR");
        return;
    }
    m_ConnectAckCond.Signal();
    Fail(context, P::ERROR, COMM_ERR_TIMEOUT, true, "COMM_ERR_TIMEOUT on Connect");
}

void CSessionBase::LoadDriver(const char* context) {
    platform::DynamicLibrary* library = nullptr;
    {
        UTKTools::CGuard guard(m_ConfigLock);
        const char* word = ProtocolWord(m_pConfig->GetProtocol());
        if (*word == '\0') {
            Fail(context, P::FATAL, COMM_ERR_MISSINGDLL, true,
                 "Unrecognized protocol type %d. Returning COMM_ERR_MISSINGDLL",
                 static_cast<int>(m_pConfig->GetProtocol()));
        }
        std::snprintf(m_DriverFileName, sizeof m_DriverFileName, "%sDRV.DLL", word);
        library = GetDLLHandle(m_DriverFileName);
        if (library == nullptr) {
            Fail(context, P::FATAL, COMM_ERR_MISSINGDLL, true,
                 "Unable to load Driver \"%s\". Returning COMM_ERR_MISSINGDLL", m_DriverFileName);
        }
    }
    PFN_CreateHostDrvInterface create = nullptr;
    const platform::SymbolBinding binding[] = {platform::BindSymbol(kDriverExportCreate, create)};
    if (!library->Bind(binding)) {
        Fail(context, P::FATAL, COMM_ERR_MISSINGDLL, true,
             "Failed to aquire CreateHostDrvInterface address! Returning COMM_ERR_MISSINGDLL");
    }
    if (m_pDrvInt.load() != nullptr && m_pDrvLibrary != library) {
        // The family changed: the old object goes back to the library that made it.
        PFN_DeleteHostDrvInterface destroy = nullptr;
        const platform::SymbolBinding old[] = {platform::BindSymbol(kDriverExportDelete, destroy)};
        if (m_pDrvLibrary->Bind(old)) {
            destroy(m_pDrvInt);
        }
        m_pDrvInt = nullptr;
        m_pDrvLibrary = nullptr;
    }
    if (m_pDrvInt == nullptr) {
        CHostDrvInterface* driver = nullptr;
        try {
            driver = create(this);
        } catch (const std::exception& e) {
            Fail(context, P::FATAL, COMM_ERR_OUTOFMEMORY, true, "%s", e.what());
        }
        if (driver == nullptr) {
            Fail(context, P::FATAL, COMM_ERR_OUTOFMEMORY, true,
                 "CreateHostDrvInterface failed! Returning COMM_ERR_OUTOFMEMORY");
        }
        m_pDrvInt = driver;
        m_pDrvLibrary = library;
    }
}

void CSessionBase::Terminate() {
    UTKTools::CGuard guard(m_TerminateLock);
    if (m_Terminated != 0) {
        return;
    }
    m_Terminated = 1;
    if (m_pDrvInt != nullptr && m_pDrvLibrary != nullptr) {
        PFN_DeleteHostDrvInterface destroy = nullptr;
        const platform::SymbolBinding binding[] = {
            platform::BindSymbol(kDriverExportDelete, destroy)};
        if (m_pDrvLibrary->Bind(binding)) {
            destroy(m_pDrvInt);
        }
    }
    m_pDrvInt = nullptr;
    m_pDrvLibrary = nullptr;
    detail::DriverTable& table = detail::Drivers();
    UTKTools::CGuard count(table.sessionCountMutex);
    if (--table.sessionCount == 0) {
        ReleaseDLLHandles();
    }
}

}  // namespace SessionNS
