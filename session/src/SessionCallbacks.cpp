// CSessionBase: the driver's callbacks and the default storage and logging back end.
// Nothing thrown inside a callback leaves it: the driver's threads must not see it.
#include <cstdio>
#include <cstring>
#include <exception>

#include "SessionInfo.h"
#include "session/QUILSessionState.h"
#include "session/SessionBase.h"

namespace SessionNS {

using P = UTKLogger::CPriority;

namespace {

// Runs a callback's body; whatever it throws ends there.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {  // NOLINT(bugprone-empty-catch): a driver thread must not see it
    }
}

}  // namespace

void CSessionBase::TakeSessionInfo(bool withLockId) {
    CHostDrvInterface* driver = m_pDrvInt;
    const detail::SessionInfoFields fields =
        detail::ParseSessionInfo(driver != nullptr ? driver->GetDriverSessionInfo() : nullptr);
    if (fields.hasLniata) {
        {
            UTKTools::CGuard guard(m_StateLock);
            if (m_pState != nullptr) {
                m_pState->SetLNIATA(fields.lniata);
            }
        }
        UpdateContext();
    }
    if (withLockId && fields.hasLockId) {
        {
            UTKTools::CGuard guard(m_StateLock);
            if (m_pState != nullptr) {
                m_pState->SetString("LID", fields.lockId, 8);
            }
        }
        UpdateContext();
    }
}

void CSessionBase::OnReceive(int rc) {
    Guarded([&] {
        char context[256];
        BuildLocalContext(context, sizeof context, "CSessionBase::OnReceive");
        Log(rc != 0 ? P::ERROR : P::INFO, context, "called! RetCode=%d.", rc);
        TakeSessionInfo(true);
        m_LastError = Convert(rc);
        if (rc == 0) {
            m_NeedToReconnect = 0;
        } else if (rc == COMM_ERR_RECONNECT || rc == COMM_ERR_OUTOFMEMORY) {
            Log(P::INFO, context, "m_NeedToReconnect = TRUE");
            m_NeedToReconnect = 1;
        }
        Log(P::INFO, context, "Signaling Receive Semaphore");
    });
    // The waiting caller must hear of it even when the logging above failed.
    m_RecvSem.Post();
}

void CSessionBase::OnConnect(int rc) {
    Guarded([&] {
        char context[256];
        BuildLocalContext(context, sizeof context, "CSessionBase::OnConnect");
        Log(rc != 0 ? P::ERROR : P::INFO, context, "called! RetCode=%d.", rc);
        TakeSessionInfo(false);
        BuildLocalContext(context, sizeof context, "CSessionBase::OnConnect");
        {
            std::lock_guard lock(m_ConnectOutcomeLock);
            m_LastError = Convert(rc);
            ++m_ConnectReports;
        }
        if (rc == 0) {
            m_NeedToReconnect = 0;
            UTKTools::CGuard guard(m_StateLock);
            RefreshOptions();
        } else {
            m_NeedToReconnect = 1;
        }
        Log(P::DEBUG, context,
            "Inside of OnConnect() with return code %d so signaling the connect call to notify "
            "the calling app",
            rc);
    });
    m_ConnectCond.Signal();
    Guarded([&] {
        char context[256];
        BuildLocalContext(context, sizeof context, "CSessionBase::OnConnect");
        Log(P::INFO, context, "Returning");
    });
    (void)m_ConnectAckCond.Wait(100);
}

void CSessionBase::OnDisconnect(int rc) {
    Guarded([&] {
        char context[256];
        SetLocalContext(context, sizeof context, "CSessionBase::OnDisconnect");
        Log(rc != 0 ? P::ERROR : P::INFO, context, "called! RetCode=%d.", rc);
        m_LastError = Convert(rc);
        Log(P::DEBUG, context,
            "Inside of OnDisconnect() with error code of %d. Issueing Host Disconnect() for "
            "caller",
            rc);
        if (CHostDrvInterface* driver = m_pDrvInt) {
            (void)driver->DisconnectFromHost();
        }
    });
    m_NeedToReconnect = 1;
    Guarded([&] {
        char context[256];
        SetLocalContext(context, sizeof context, "CSessionBase::OnDisconnect");
        Log(P::INFO, context, "Returning");
    });
}

void CSessionBase::OnHostAvailable(bool) {}
void CSessionBase::OnHostAddress(char*, bool) {}
void CSessionBase::OnURLNotification(char*, int) {}
void CSessionBase::OnLogDbgData(unsigned char*, int) {}
void CSessionBase::OnLogEBCDICData(unsigned char*, int) {}
void CSessionBase::OnLogASCIIData(unsigned char*, int) {}
void CSessionBase::OnLogVA(EPRIORITY, const char*, const char*, va_list) {}
void CSessionBase::OnLogEBCDIC(EPRIORITY, const char*, unsigned long, unsigned char*) {}
void CSessionBase::OnLogASCII(EPRIORITY, const char*, unsigned long, unsigned char*) {}
void CSessionBase::UpdateContext() {}

char* CSessionBase::SetLocalContext(char* buffer, unsigned int size, const char* method) {
    if (buffer != nullptr && size != 0) {
        std::snprintf(buffer, size, "%s", method != nullptr ? method : "");
    }
    return buffer;
}

int CSessionBase::GetConfigFileName(UTKString::CString&) {
    return 0;
}
void CSessionBase::ReadConfigFileCache() {}
void CSessionBase::RefreshConfigFileCache() {}
void CSessionBase::FillSessionConfigFromConfigFileCache() {}
void CSessionBase::OnStoreSessionChanges(const char*, const char*, unsigned long) {}
void CSessionBase::OnGetSessionData(const char*, char*, unsigned long*) {}
void CSessionBase::ClearEntryFromSessionFile(const char*, const char*) {}
bool CSessionBase::OnGetCfgInfo(const char*, const char*, char*, unsigned long*) {
    return false;
}
bool CSessionBase::OnStoreCfgInfo(const char*, const char*, const char*, unsigned long) {
    return false;
}
void CSessionBase::Log(EPRIORITY, const char*, const char*, ...) {}
void CSessionBase::LogEBCDIC(EPRIORITY, const char*, unsigned long, const unsigned char*) {}
void CSessionBase::LogASCII(EPRIORITY, const char*, unsigned long, const unsigned char*) {}
void CSessionBase::ResetSessionContext() {}

const char* CSessionBase::BuildLocalContext(char* buffer, unsigned int size, const char* method) {
    return SetLocalContext(buffer, size, method);
}

}  // namespace SessionNS
