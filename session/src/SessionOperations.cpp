// CSessionBase: the operations a caller uses once a session is connected.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "session/QUILSessionState.h"
#include "session/SessionBase.h"

namespace SessionNS {

using P = UTKLogger::CPriority;
using QorTranNS::CQorTran;

namespace {

constexpr unsigned char kEom4E = 0x4E;
constexpr unsigned char kEom6D = 0x6D;

// What the operations say for Send and EnqueueToDriver.
struct SendTexts {
    const char* method;
    const char* empty;
    const char* badPointer;
    const char* noState;
    const char* eomPresent;
    const char* noBuffer;
    const char* eomAdded;
    const char* badEncoding;
    const char* clientData;  // "<encoding> Data to ..."
    const char* result;      // "SendToHost" or "EnqueueDataToChain"
};

constexpr SendTexts kSend = {
    "CSessionBase::Send",
    "Request is empty. Returning COMM_ERR_BADINPUT",
    "Request contains a bad read ptr. Returning COMM_ERR_BADINPUT",
    "No State object. Returning COMM_ERR_RECONNECT",
    "EBCDIC Data to Send To Host",
    "Unable to allocate buffer for expanded Request.data buffer. Returning "
    "COMM_ERR_OUTOFMEMORY",
    "EBCDIC Data to Send To Host",
    "Unrecognized encoding mode %d. Returning COMM_ERR_BADAPIOPTION",
    "send to host",
    "SendToHost",
};

constexpr SendTexts kEnqueue = {
    "CSessionBase::EnqueueToDriver",
    "Request.data is empty. Returning COMM_ERR_BADINPUT",
    "Request.data is a bad read ptr. Returning COMM_ERR_BADINPUT",
    "No State object exists. Returning COMM_ERR_RECONNECT",
    "EBCDIC Data to Enqueue",
    "Unable to allocate buffer for expanded SendData buffer. Returning COMM_ERR_OUTOFMEMORY",
    "EBCDIC Data to Enqueue in the Driver",
    "Invalid encoding mode. Returning COMM_ERR_BADAPIOPTION",
    "enqueue in the driver",
    "EnqueueDataToChain",
};

const char* EncodingWord(CSessionStateBase::EEncoding encoding) {
    return encoding == CSessionStateBase::ANSI ? "ANSII" : "ASCII";
}

// Copies at most 255 characters of a driver's text into a result buffer of the session.
char* CopyResult(char (&buffer)[256], const char* text) {
    std::snprintf(buffer, sizeof buffer, "%s", text != nullptr ? text : "");
    return buffer;
}

}  // namespace

const QorTranNS::CQorTran& CSessionBase::Translator(EEncoding encoding, const char* context) {
    switch (encoding) {
        case CSessionStateBase::ASCII:
            return m_AsciiTran;
        case CSessionStateBase::ANSI:
            return m_AnsiTran;
    }
    Fail(context, P::ERROR, COMM_ERR_BADAPIOPTION, true,
         "Unrecognized encoding mode %d. Returning COMM_ERR_BADAPIOPTION",
         static_cast<int>(encoding));
}

void CSessionBase::Disconnect() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::Disconnect");
    Log(P::DEBUG, context, "called!");
    m_NeedToReconnect = 1;
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_OUTOFMEMORY, true,
             "No Valid Driver Interface pointer available");
    }
    const COMMError result = Convert(driver->DisconnectFromHost());
    m_LastError = result;
    char stateText[2] = {};
    unsigned long length = sizeof stateText;
    OnGetSessionData("STATE", stateText, &length);
    if (stateText[0] == '0' && GetSessionID() != 0) {
        UTKTools::CGuard guard(m_ConfigLock);
        if (m_pConfig == nullptr) {
            Fail(context, P::ERROR, COMM_ERR_NOCFGFILE, true,
                 "No Valid configuration object available");
        }
        // The session file names a pooled session's section in decimal; an older one was
        // named in hexadecimal. Both go.
        char section[16];
        std::snprintf(section, sizeof section, "%lu", GetSessionID());
        ClearEntryFromSessionFile(section, m_pConfig->GetSessionFile());
        std::snprintf(section, sizeof section, "%.8lX", GetSessionID());
        ClearEntryFromSessionFile(section, m_pConfig->GetSessionFile());
    }
    if (result != COMM_NO_ERROR) {
        Fail(context, P::ERROR, result, false, "m_pDrvInt->DisconnectFromHost() failed: %s",
             CommErrorName(result));
    }
}

void CSessionBase::Send(CRequest& request) {
    SendOrEnqueue(request, false);
}

void CSessionBase::EnqueueToDriver(CRequest& request) {
    SendOrEnqueue(request, true);
}

void CSessionBase::SendOrEnqueue(CRequest& request, bool enqueue) {
    const SendTexts& texts = enqueue ? kEnqueue : kSend;
    char context[256];
    BuildLocalContext(context, sizeof context, texts.method);
    Log(P::DEBUG, context, "called!");
    const unsigned char* bytes = request.data.data();
    const auto length = static_cast<std::uint32_t>(request.data.length());
    if (bytes == nullptr && length != 0) {
        Fail(context, P::ERROR, COMM_ERR_BADINPUT, true, "%s", texts.badPointer);
    }
    if (length == 0) {
        Fail(context, P::ERROR, COMM_ERR_BADINPUT, true, "%s", texts.empty);
    }
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No Driver Interface. Returning COMM_ERR_RECONNECT");
    }
    bool translate = false;
    EEncoding encoding = CSessionStateBase::ASCII;
    {
        UTKTools::CGuard guard(m_StateLock);
        if (m_pState == nullptr) {
            Fail(context, P::ERROR, COMM_ERR_RECONNECT, true, "%s", texts.noState);
        }
        translate = m_pState->GetTranslation();
        encoding = m_pState->GetEncoding();
    }
    const auto hand = [&](const unsigned char* data, std::uint32_t count) {
        return Convert(enqueue ? driver->EnqueueDataToChain(data, count)
                               : driver->SendToHost(data, count));
    };
    const auto finish = [&](const char* prefix, COMMError result) {
        if (result != COMM_NO_ERROR) {
            Fail(context, P::ERROR, result, false, "%s%s. Returning %s", prefix, texts.result,
                 CommErrorName(result));
        }
        Log(P::INFO, context, "%s%s. Returning COMM_NO_ERROR", prefix, texts.result);
    };

    if (!translate) {
        const unsigned char last = bytes[length - 1];
        if (last == kEom4E || last == kEom6D) {
            Log(P::INFO, context, "%s", texts.eomPresent);
            LogEBCDIC(P::INFO, context, length, bytes);
            m_LastError = hand(bytes, length);
            finish("", m_LastError);
            return;
        }
        auto* expanded = static_cast<unsigned char*>(std::calloc(length + 2, 1));
        if (expanded == nullptr) {
            Fail(context, P::ERROR, COMM_ERR_OUTOFMEMORY, true, "%s", texts.noBuffer);
        }
        std::memcpy(expanded, bytes, length);
        expanded[length] = kEom4E;
        Log(P::INFO, context, "No EOM char found. Adding EOMC");
        Log(P::INFO, context, "%s", texts.eomAdded);
        LogEBCDIC(P::INFO, context, length + 1, expanded);
        const COMMError result = hand(expanded, length + 1);
        std::free(expanded);
        m_LastError = result;
        finish("EOM char added, ", result);
        return;
    }

    const CQorTran& translator = Translator(encoding, context);
    Log(P::INFO, context, "%s Data to %s", EncodingWord(encoding), texts.clientData);
    LogASCII(P::INFO, context, length, bytes);
    std::uint8_t* host = nullptr;
    std::uint32_t hostLength = 0;
    const CQorTran::RESULTCODE translated =
        translator.ClientToQFE(bytes, length, &host, &hostLength, 0, CQorTran::EOM_4E, 0);
    COMMError result = COMM_ERR_TRANLATION_FAILED;
    if (translated == CQorTran::QORTRAN_SUCCESS) {
        Log(P::INFO, context, enqueue ? "EBCDIC Data being enqueued" : "EBCDIC Data being sent");
        LogEBCDIC(P::INFO, context, hostLength, host);
        result = hand(host, hostLength);
    }
    CQorTran::DeallocateLastMessage(&host);
    m_LastError = result;
    finish("After translation, ", result);
}

void CSessionBase::Receive(CResponse& response) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::Receive");
    Log(P::DEBUG, context, "called!");
    response.data.erase();
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No Driver Interface. Returning COMM_ERR_RECONNECT");
    }
    bool translate = false;
    EEncoding encoding = CSessionStateBase::ASCII;
    const CQorTran* translator = nullptr;
    {
        UTKTools::CGuard guard(m_StateLock);
        if (m_pState == nullptr) {
            Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
                 "No State object. Returning COMM_ERR_RECONNECT");
        }
        translate = m_pState->GetTranslation();
        encoding = m_pState->GetEncoding();
        if (translate) {
            translator = &Translator(encoding, context);
        }
    }
    unsigned char* bytes = nullptr;
    unsigned int length = 0;
    const COMMError result = Convert(driver->RecvFromHost(&bytes, &length));
    m_LastError = result;
    // The driver's block goes back to the process heap on every path.
    struct Block {
        unsigned char*& bytes;
        ~Block() { std::free(bytes); }
    } block{bytes};
    if (result != COMM_NO_ERROR) {
        Fail(context, P::ERROR, result, false,
             translate ? "RecvFromHost error. Returning %s" : "Error on RecvFromHost. Returning %s",
             CommErrorName(result));
    }
    {
        UTKTools::CGuard guard(m_StateLock);
        RefreshOptions();
    }
    if (!translate) {
        response.data.set(bytes, length);
        Log(P::INFO, context, "EBCDIC Data Len from Host:%d", static_cast<int>(length));
        LogEBCDIC(P::INFO, context, length, bytes);
        Log(P::INFO, context, "Untranslated data. Returning COMM_NO_ERROR");
        return;
    }
    Log(P::INFO, context, "EBCDIC Data Len from Host before translation:%d",
        static_cast<int>(length));
    LogEBCDIC(P::INFO, context, length, bytes);
    std::uint8_t* client = nullptr;
    std::uint32_t clientLength = 0;
    CQorTran::EOM_STATUS eom = CQorTran::EOM_NOT_FOUND;
    CQorTran::SEGMENT_SPAN_STATUS span;
    {
        UTKTools::CGuard guard(m_StateLock);
        span = m_SpanStatus;
    }
    const CQorTran::RESULTCODE translated =
        translator->QFEToClient(bytes, length, &client, &clientLength, eom, span, 0, 0, 1, 0, 1);
    {
        UTKTools::CGuard guard(m_StateLock);
        m_SpanStatus = span;
    }
    if (translated != CQorTran::QORTRAN_SUCCESS &&
        translated != CQorTran::QORTRAN_OUTPUT_TRUNCATED) {
        CQorTran::DeallocateLastMessage(&client);
        response.data.erase();
        Fail(context, P::ERROR, COMM_ERR_TRANLATION_FAILED, true,
             "Translation error (%s). Returning COMM_ERR_TRANLATION_FAILED",
             CQorTran::GetResultCodeText(translated));
    }
    response.data.set(client, clientLength);
    CQorTran::DeallocateLastMessage(&client);
    Log(P::INFO, context, "%s Data From Host len:%d", EncodingWord(encoding),
        static_cast<int>(clientLength));
    LogASCII(P::INFO, context, response.data.length(), response.data.data());
    Log(P::INFO, context, "RecvFromHost. Returning COMM_NO_ERROR");
}

void CSessionBase::Receive(CResponse& response, unsigned int timeoutSeconds) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::Receive(TO)");
    Log(P::DEBUG, context, "called!");
    response.data.erase();
    if (IsHostConnected() && IsHostAvailable() && !NeedToReconnect()) {
        const std::uint64_t ms = static_cast<std::uint64_t>(timeoutSeconds) * 1000u;
        const auto wait = static_cast<std::int32_t>(ms < 0x7FFFFFFEu ? ms : 0x7FFFFFFEu);
        if (m_RecvSem.Wait(wait) != UTKTools::EWAIT_SIGNALED) {
            Fail(context, P::ERROR, COMM_ERR_TIMEOUT, true,
                 "Blocking Recv() called with a %d second timeout and no data was in the recv "
                 "queue. Returning COMM_ERR_TIMEOUT",
                 static_cast<int>(timeoutSeconds));
        }
        if (m_LastError != COMM_NO_ERROR) {
            Fail(context, P::ERROR, m_LastError, false, "Error on Receive. Returning %s",
                 CommErrorName(m_LastError));
        }
    } else if (m_RecvSem.Wait(0) == UTKTools::EWAIT_SIGNALED) {
        if (m_LastError != COMM_NO_ERROR) {
            Fail(context, P::ERROR, m_LastError, false, "Error on signaled Receive. Returning %s",
                 CommErrorName(m_LastError));
        }
    } else if (!IsHostConnected()) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "Host not connected. Returning COMM_ERR_RECONNECT");
    } else if (!IsHostAvailable()) {
        Fail(context, P::ERROR, COMM_ERR_HOSTUNAVAIL, true,
             "Host not available. Returning COMM_ERR_HOSTUNAVAIL");
    } else if (NeedToReconnect()) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "Need to re-connect. Returning COMM_ERR_RECONNECT");
    } else {
        Fail(context, P::ERROR, COMM_ERR_UNKNOWN, true,
             "Need to re-connect. Returning COMM_ERR_UNKNOWN");
    }
    Receive(response);
    Log(P::INFO, context, "Receive(Response). Returning %s", CommErrorName(m_LastError));
}

void CSessionBase::ClearReceiveQueue() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::ClearReceiveQueue");
    Log(P::DEBUG, context, "called!");
    UTKTools::CGuard guard(m_StateLock);
    if (m_pState == nullptr) {
        Log(P::WARN, context, "No state object available, returning!");
        return;
    }
    try {
        for (;;) {
            CResponse discarded;
            Receive(discarded, 0);
        }
    } catch (const CExceptionBase& e) {
        if (e.error() != COMM_NO_RECV_DATA && e.error() != COMM_ERR_TIMEOUT) {
            throw;
        }
        m_LastError = COMM_NO_ERROR;
    } catch (const std::exception& e) {
        Log(P::ERROR, context, "%s", e.what());
        throw;
    }
}

int CSessionBase::IsHostAvailable() {
    return AskDriver("CSessionBase::IsHostAvailable", &CHostDrvInterface::IsHostAvailable);
}

int CSessionBase::IsHostConnected() {
    return AskDriver("CSessionBase::IsHostConnected", &CHostDrvInterface::IsConnected);
}

int CSessionBase::AskDriver(const char* method, bool (CHostDrvInterface::*question)()) {
    char context[256];
    BuildLocalContext(context, sizeof context, method);
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Log(P::ERROR, context, "No Driver Interface. Returning FALSE");
        return 0;
    }
    const bool yes = (driver->*question)();
    Log(yes ? P::INFO : P::ERROR, context, yes ? "Returning TRUE" : "Returning FALSE");
    return yes ? 1 : 0;
}

const char* CSessionBase::GetSessionErrorString(int code) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::GetSessionErrorString");
    Log(P::DEBUG, context, "called!");
    return CommErrorText(code == -1 ? GetLastSessionError() : code);
}

void CSessionBase::SetEncodingMode(EEncoding encoding) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::SetEncodingMode");
    Log(P::DEBUG, context, "called!");
    UTKTools::CGuard guard(m_StateLock);
    if (m_pState == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No State object. Returning COMM_ERR_RECONNECT");
    }
    switch (encoding) {
        case CSessionStateBase::ASCII:
            Log(P::INFO, context, "ASCII Encoding specified");
            break;
        case CSessionStateBase::ANSI:
            Log(P::INFO, context, "ANSI Encoding specified");
            break;
        default:
            Log(P::INFO, context, "Unrecognized EncodingMode set (%d)", static_cast<int>(encoding));
            break;
    }
    m_pState->SetEncoding(encoding);
    m_LastError = COMM_NO_ERROR;
}

void CSessionBase::SetTranslationMode(int on) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::SetTranslationMode");
    Log(P::DEBUG, context, "called!");
    UTKTools::CGuard guard(m_StateLock);
    if (m_pState == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No State object. Returning COMM_ERR_RECONNECT");
    }
    const bool translate = on != 0;
    if (m_pState->GetTranslation() != translate) {
        Log(P::INFO, context, "Translation turned %s", translate ? "ON" : "OFF");
    }
    m_pState->SetTranslation(translate);
    m_LastError = COMM_NO_ERROR;
}

void CSessionBase::AccumulateMsgSegments(int on) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::AccumulateMsgs");
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
             "No driver interface. Returning COMM_ERR_RECONNECT");
    }
    COMMError result = COMM_NO_ERROR;
    {
        UTKTools::CGuard guard(m_StateLock);
        if (m_pState == nullptr) {
            Fail(context, P::ERROR, COMM_ERR_RECONNECT, true,
                 "No State object. Returning COMM_ERR_RECONNECT");
        }
        m_pState->SetMessageAccumulation(on != 0);
        result = Convert(driver->SetAccumulationMode(on != 0));
    }
    m_LastError = result;
    if (result != COMM_NO_ERROR) {
        Fail(context, P::ERROR, result, false, "Driver SetAccumulationMode returned %s error.",
             CommErrorName(result));
    }
    Log(P::INFO, context, "Returning COMM_NO_ERROR");
}

char* CSessionBase::GetHostSessionAddr() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::GetHostSessionAddr");
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Log(P::ERROR, context, "No Driver Interface pointer. returning NULL");
        return nullptr;
    }
    char* result = CopyResult(m_HostAddress, driver->GetHostAddr());
    Log(P::INFO, context, "returning %s", result);
    return result;
}

char* CSessionBase::GetSessionInfo() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::GetSessionInfo");
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Log(P::ERROR, context, "No Driver Interface pointer. Returning NULL");
        return nullptr;
    }
    char* result = CopyResult(m_SessionInfo, driver->GetDriverSessionInfo());
    Log(P::INFO, context, "Returning %s", result);
    return result;
}

int CSessionBase::SetHostDriverOption(int option, int value) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::SetHostDriverOption");
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Log(P::ERROR, context, "No Driver Interface. Returning false");
        return 0;
    }
    const bool done = driver->SetDriverOption(option, value);
    Log(done ? P::INFO : P::WARN, context, "Returning %s", done ? "true" : "false");
    return done ? 1 : 0;
}

void CSessionBase::BackGroundConnect(unsigned char* argument) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::BackGroundConnect");
    Log(P::DEBUG, context, "called!");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_NOCONNECTION, true,
             "No driver interface available. returning COMM_ERR_NOCONNECTION");
    }
    const COMMError result = Convert(driver->BackGroundConnect(argument));
    m_LastError = result;
    if (result != COMM_NO_ERROR) {
        Fail(context, P::ERROR, result, false, "Returning %s", CommErrorName(result));
    }
    Log(P::INFO, context, "Returning COMM_NO_ERROR");
}

void CSessionBase::WorkHostQueue() {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSessionBase::WorkHostQueue");
    CHostDrvInterface* driver = m_pDrvInt;
    if (driver == nullptr) {
        Fail(context, P::ERROR, COMM_ERR_NOCONNECTION, true,
             "No driver interface available. returning COMM_ERR_NOCONNECTION");
    }
    driver->WorkHostQueue();
}

}  // namespace SessionNS
