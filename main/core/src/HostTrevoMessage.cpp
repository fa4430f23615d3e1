// The host link's side of the judge: each call judges under the state lock, then the link
// carries out what the judge asked for, in order (the connection steps without the lock).
#include <stdexcept>
#include <type_traits>

#include "HostTrevoInternal.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "platform/Time.h"

namespace core {

using namespace hostlink;

namespace {

// Writes a trace entry; false for an effect of another kind.
bool WriteTrace(const HostLinkEffect& e) {
    switch (e.m_eKind) {
        case HostLinkEffect::TRACE:
            TraceLog().TraceString(e.m_nValue, e.m_pszFile, e.m_nLine, e.m_pszLabel, e.m_strText);
            return true;
        case HostLinkEffect::TRACE_TEXT:
            TraceLog().TraceMessage(0, e.m_strText);
            return true;
        case HostLinkEffect::TRACE_DATA:
            TraceLog().TraceData(0, Bytes(e.m_strText).data(),
                                 static_cast<int>(e.m_strText.size()));
            return true;
        default:
            return false;
    }
}

}  // namespace

void CHostTrevo::Apply(const HostLinkEffects& effects) {
    for (const HostLinkEffect& e : effects) {
        if (WriteTrace(e)) continue;
        switch (e.m_eKind) {
            case HostLinkEffect::TRACE_EXCEPTION:
                SetLastError(TraceLog().TraceException(e.m_pszFile, e.m_nLine,
                                                       std::runtime_error(e.m_strWhat),
                                                       e.m_pszLabel, e.m_strText));
                break;
            case HostLinkEffect::LAST_ERROR:
                if (e.m_nValue != 0) {
                    SetLastError(static_cast<std::uint32_t>(e.m_nValue));
                } else {
                    SetLastError(e.m_strText);
                }
                break;
            case HostLinkEffect::CONNECTED:
                OnConnect(e.m_nValue);
                break;
            case HostLinkEffect::RECONNECT: {
                {
                    platform::CriticalSection::Guard lock(m_csState);
                    m_nConnectionRetries = 0;
                    m_strCurrentHost = m_strLastGoodHost;
                }
                HostStartReconnect();
                break;
            }
            case HostLinkEffect::ADD_HOSTS:
                AddHostsFromControlFrame(e.m_strText);
                break;
            case HostLinkEffect::CHANGE_HOST:
                IssueChangeChange();
                break;
            case HostLinkEffect::TEMP_HOLD:
                WriteTempHold(static_cast<char>(e.m_nValue), e.m_nLetter);
                break;
            default:
                break;
        }
    }
}

void CHostTrevo::WriteTempHold(char cStatus, std::uint8_t byLetter) {
    if (!m_pRegistry) return;
    const std::string key = std::string(kApplicationKey) + "\\" + m_strDeviceName;
    // A failure to write the record changes nothing for the host: it is not reported.
    if (cStatus == NORMAL_STATUS) {
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold", 0));
        static_cast<void>(m_pRegistry->SetString(key, "Temp Hold Ltsn", "   "));
    } else {
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold", 1));
        static_cast<void>(m_pRegistry->SetDWORD(key, "Temp Hold Ltsn", byLetter));
    }
}

std::uint32_t CHostTrevo::ReadByPassKey() {
    std::uint32_t value = 1;
    if (!m_pRegistry) return value;
    if (!m_pRegistry->QueryDWORD(kApplicationKey, "ByPassKey", value)) {
        value = 1;
        static_cast<void>(m_pRegistry->SetDWORD(kApplicationKey, "ByPassKey", value));
    }
    return value;
}

template <class Step>
auto CHostTrevo::Judge(Step step) {
    HostLinkEffects effects;
    platform::CriticalSection::Guard lock(m_csState);
    if constexpr (std::is_void_v<decltype(step(m_judge, effects))>) {
        step(m_judge, effects);
        lock.Unlock();
        Apply(effects);
    } else {
        auto result = step(m_judge, effects);
        lock.Unlock();
        Apply(effects);
        return result;
    }
}

eDeviceAction CHostTrevo::MsgFromHost(std::string& msg) {
    const std::time_t now = platform::CurrentTime();
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgFromHost(msg, now, e); });
}

eDeviceAction CHostTrevo::MsgFromHostProtected(std::string& msg) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgFromHostProtected(msg, e); });
}

eDeviceAction CHostTrevo::MsgFromHostControl(std::string&) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgFromHostControl(e); });
}

eDeviceAction CHostTrevo::MsgFromHostUnProtected(std::string& msg) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgFromHostUnProtected(msg, e); });
}

eDeviceAction CHostTrevo::MsgFromATB2(std::string& msg, bool bFramed) {
    const std::time_t now = platform::CurrentTime();
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgFromATB2(msg, bFramed, now, e);
    });
}

eDeviceAction CHostTrevo::MsgFromATB2AnswerBack(std::string& msg) {
    const std::time_t now = platform::CurrentTime();
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgFromATB2AnswerBack(msg, now, e);
    });
}

std::size_t CHostTrevo::MsgFromHostSpannedDLESequences(std::string& msg) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgFromHostSpannedDLESequences(msg, e);
    });
}

std::string CHostTrevo::MsgAckToHostCreate(char cAckType) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgAckToHostCreate(cAckType, e); });
}

std::string CHostTrevo::MsgAckToHostCreate(char cAckType,
                                           const std::optional<HostMessageHeader>& written) {
    if (!written) return MsgAckToHostCreate(cAckType);
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgAckToHostCreate(cAckType, *written, e);
    });
}

std::string CHostTrevo::MsgAckToHostCreateATB2(char cStatus) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgAckToHostCreateATB2(cStatus, e);
    });
}

std::string CHostTrevo::MsgAckToHostCreateTNV(char cStatus) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgAckToHostCreateTNV(cStatus, e);
    });
}

std::string CHostTrevo::MsgAckToHostCreateAsyncMini(char cStatus) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgAckToHostCreateAsyncMini(cStatus, e);
    });
}

std::string CHostTrevo::MsgOutOfSequenceToHostCreate() {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgOutOfSequenceToHostCreate(e); });
}

std::string CHostTrevo::MsgAckToATB2Create() {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgAckToATB2Create(e); });
}

void CHostTrevo::MsgFromHostReformat(std::string& msg) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.MsgFromHostReformat(msg, e); });
}

void CHostTrevo::MsgTranslateEbcdicToAscii(std::string& msg) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) {
        return j.MsgTranslateEbcdicToAscii(msg, e);
    });
}

void CHostTrevo::MaintainTSN() {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) { return j.MaintainTSN(e); });
}

void CHostTrevo::ForgetMessage(const HostMessageHeader& message) {
    return Judge([&](HostMessageJudge& j, HostLinkEffects&) { return j.ForgetMessage(message); });
}

void CHostTrevo::GetLTSN() {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) { return j.GetLTSN(e); });
}

void CHostTrevo::MaintainTSNThenHold() {
    return Judge([&](HostMessageJudge& j, HostLinkEffects& e) { return j.MaintainTSNThenHold(e); });
}

void CHostTrevo::SetDeviceStatus(char cStatus) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.SetDeviceStatus(cStatus, e); });
}

void CHostTrevo::SetHostState(int eState) {
    return Judge(
        [&](HostMessageJudge& j, HostLinkEffects& e) { return j.SetHostState(eState, e); });
}

std::string CHostTrevo::RequestForHostReset() const {
    HostLinkEffects effects;
    std::string ack;
    {
        platform::CriticalSection::Guard lock(m_csState);
        ack = m_judge.RequestForHostReset(effects);
    }
    for (const HostLinkEffect& e : effects) WriteTrace(e);
    return ack;
}

// --- Readers of the judge's state -------------------------------------------------------

char CHostTrevo::GetDeviceStatus() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_eDeviceStatus;
}

eHostState CHostTrevo::GetHostState() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_eHostState;
}

bool CHostTrevo::IsCompleteMessage() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.IsCompleteMessage();
}

bool CHostTrevo::IsDeviceControlMessage() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.IsDeviceControlMessage();
}

std::time_t CHostTrevo::GetMessageTime() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_timeMessage;
}

std::time_t CHostTrevo::GetDeviceTime() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_timeDevice;
}

std::uint8_t CHostTrevo::GetHostLTSN() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_byHostLTSN;
}

std::uint8_t CHostTrevo::GetHostC1() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_byHostC1;
}

HostMessageHeader CHostTrevo::GetHostHeader() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.Header();
}

std::uint8_t CHostTrevo::GetHostC2() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_byHostC2;
}

std::uint8_t CHostTrevo::GetHostExpectedTSN() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_byHostExpectedTSN;
}

std::string CHostTrevo::GetDeviceData() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_judge.m_strDeviceData;
}

}  // namespace core
