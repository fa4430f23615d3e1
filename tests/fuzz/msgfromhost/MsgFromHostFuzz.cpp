// Feeds the host-message judge a run of host messages and printer answers after any device
// kind and any earlier state, answers each as a device would, and checks what comes back.
// The judge does no I/O: no machine root, no threads, no files.
//
// Input: one byte of device options, then records of [length u16 LE][device status byte]
// [length bytes of message].
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "core/HostMessageJudge.h"
#include "platform/ByteReader.h"

namespace {

void CheckAck(const std::string& ack) {
    if (ack.empty() || ack == "\x14") return;
    if (ack.size() != 5 || ack[0] != 'C' || ack[4] != '\x15') std::abort();
}

// Every effect is one the host link knows, and a trace entry has a label.
void CheckEffects(core::HostLinkEffects& effects) {
    for (const core::HostLinkEffect& e : effects) {
        if (e.m_eKind > core::HostLinkEffect::TEMP_HOLD || e.m_pszLabel == nullptr) std::abort();
        if (e.m_eKind == core::HostLinkEffect::TEMP_HOLD && e.m_nValue != '0' && e.m_nValue != '5')
            std::abort();
    }
    effects.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ByteReader in(data, size);
    std::uint8_t options = 0;
    if (!in.u8(options)) return 0;
    core::HostLinkSettings settings{
        "Device 01",           (options & 0x01) != 0, (options & 0x02) != 0, "\x0C",
        (options & 0x04) != 0, (options & 0x08) != 0, (options & 0x10) != 0, (options & 0x20) != 0};
    const std::uint32_t byPassKey = (options & 0x40) ? 0 : 1;
    core::HostMessageJudge judge(settings, [byPassKey] { return byPassKey; });
    core::HostLinkEffects effects;
    std::time_t now = 0;

    for (int records = 0; records < 64 && !in.empty(); ++records) {
        std::uint16_t length = 0;
        std::uint8_t status = 0;
        std::span<const std::uint8_t> bytes;
        if (!in.u16le(length) || !in.u8(status)) break;
        if (!in.bytes(length <= in.remaining() ? length : in.remaining(), bytes)) break;
        const char cStatus = static_cast<char>('0' + status % 10);  // '9' is no status
        judge.m_flags.m_bRejectProtected = (status & 0x80) != 0;
        ++now;

        std::string msg(bytes.begin(), bytes.end());
        judge.SetDeviceStatus('0', effects);
        const int verdict = judge.MsgFromHost(msg, now, effects);
        if (verdict < 0 || verdict > 5) std::abort();
        judge.SetDeviceStatus(cStatus, effects);
        std::string ack;
        switch (verdict) {
            case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            case core::ACK_HOST_ONLY:
                ack = judge.MsgAckToHostCreate(status & 0x40 ? '0' : '2', effects);
                break;
            case core::REPEAT_ACK_TO_HOST:
                ack = judge.MsgOutOfSequenceToHostCreate(effects);
                break;
            default:
                break;
        }
        CheckAck(ack);
        CheckAck(judge.MsgAckToHostCreateATB2(cStatus, effects));
        CheckAck(judge.MsgAckToHostCreateAsyncMini(cStatus, effects));
        if (status & 0x20) judge.MaintainTSNThenHold(effects);
        if (judge.m_nProtectedReceived < 0) std::abort();

        // The same bytes as a printer's answer.
        std::string answer(bytes.begin(), bytes.end());
        const int printer = judge.MsgFromATB2(answer, status & 0x08, now, effects);
        if (printer < 0 || printer > 2) std::abort();
        const std::string frame = judge.MsgAckToATB2Create(effects);
        if (!frame.empty() && frame.size() != 8) std::abort();
        std::string back(bytes.begin(), bytes.end());
        (void)judge.MsgFromATB2AnswerBack(back, now, effects);
        CheckEffects(effects);
    }
    return 0;
}
