// Feeds a host link a run of host messages and printer answers after any device kind and
// any earlier state, answers each as a device would, and checks what comes back.
//
// Input: one byte of device options, then records of [length u16 LE][device status byte]
// [length bytes of message].
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "core/HostTrevo.h"
#include "fuzz/OwnMachineRoot.h"
#include "platform/ByteReader.h"

namespace {

class Control : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        last = data;
        return true;
    }
    std::string last;
};

class FuzzHostTrevo : public core::CHostTrevo {
public:
    FuzzHostTrevo(std::uint8_t options)
        : CHostTrevo("Device 01", "HOST", options & 0x01, options & 0x02, "\x0C", options & 0x04,
                     options & 0x08) {
        m_bControlFrames = options & 0x10;
        m_bPlatformTitle = options & 0x20;
    }
};

void CheckAck(const std::string& ack) {
    if (ack.empty() || ack == "\x14") return;
    if (ack.size() != 5 || ack[0] != 'C' || ack[4] != '\x15') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::UseOwnMachineRoot();  // the host link logs every message
    platform::ByteReader in(data, size);
    std::uint8_t options = 0;
    if (!in.u8(options)) return 0;
    FuzzHostTrevo host(options);
    Control control;
    host.SetHostControl(&control);
    host.SetConnectionState(core::CONNECTION_CONNECTED);

    for (int records = 0; records < 64 && !in.empty(); ++records) {
        std::uint16_t length = 0;
        std::uint8_t status = 0;
        std::span<const std::uint8_t> bytes;
        if (!in.u16le(length) || !in.u8(status)) break;
        if (!in.bytes(length <= in.remaining() ? length : in.remaining(), bytes)) break;
        const char cStatus = static_cast<char>('0' + status % 10);  // '9' is no status
        host.m_bRejectProtected = (status & 0x80) != 0;

        std::string msg(bytes.begin(), bytes.end());
        host.SetDeviceStatus('0');
        const int verdict = host.MsgFromHost(msg);
        if (verdict < 0 || verdict > 5) std::abort();
        host.SetDeviceStatus(cStatus);
        std::string ack;
        switch (verdict) {
            case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            case core::ACK_HOST_ONLY:
                ack = host.MsgAckToHostCreate(status & 0x40 ? '0' : '2');
                break;
            case core::REPEAT_ACK_TO_HOST:
                ack = host.MsgOutOfSequenceToHostCreate();
                break;
            default:
                break;
        }
        CheckAck(ack);
        CheckAck(host.MsgAckToHostCreateATB2(cStatus));
        CheckAck(host.MsgAckToHostCreateAsyncMini(cStatus));
        if (status & 0x20) host.MaintainTSNThenHold();
        if (!ack.empty()) (void)host.MsgSendToHost(ack, status & 0x10);

        // The same bytes as a printer's answer.
        std::string answer(bytes.begin(), bytes.end());
        const int printer = host.MsgFromATB2(answer, status & 0x08);
        if (printer < 0 || printer > 2) std::abort();
        const std::string frame = host.MsgAckToATB2Create();
        if (!frame.empty() && frame.size() != 8) std::abort();
        std::string back(bytes.begin(), bytes.end());
        (void)host.MsgFromATB2AnswerBack(back);
    }
    return 0;
}
