#include "zel/ZelReceiver.h"

#include <strings.h>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "brxconn/CMessage.h"

namespace zel {
namespace {

bool IsPac(std::uint8_t b) {
    return b == 0xFE || b == 0xFC;
}

bool Upper(std::uint8_t c) {
    return c >= 'A' && c <= 'Z';
}

// Appends `count` characters of the message from `from`, never more than it holds.
void Append(std::string& text, const Bytes& message, std::size_t from, std::size_t count) {
    if (from >= message.size()) return;
    count = std::min(count, message.size() - from);
    text.append(reinterpret_cast<const char*>(message.data() + from), count);
}

}  // namespace

int MessageKind(std::uint8_t first, std::uint8_t second, int& lineWidth) {
    switch (first) {
        case 0x00:
            return second == 0x00 || second == 0x0D ? 1 : 11;
        case '/':
            return 2;
        case '0':
        case '1':
            return second == 0x00 || Upper(second) ? 1 : 11;
        case '2':
            return Upper(second) ? 1 : 11;
        case '3':
            return second == 0x00 || second == '/' || second == '*' || Upper(second) ? 1 : 11;
        case '9':
            switch (second) {
                case 'S':
                    return 7;
                case 'F':
                    return 6;
                case 0x00:
                    return 3;
                case 'G':
                    lineWidth = 80;
                    return 8;
                case 'H':
                    lineWidth = 64;
                    return 9;
                case 'I':
                case 'J':
                    return 10;
                case '*':
                case '-':
                    return 4;
                default:
                    return second >= '0' && second <= '9' ? 4 : 0;
            }
        case 'A':
        case 'B':
        case 'C':
            return 5;
        default:
            return 0;
    }
}

std::size_t ReceiveLayout(Bytes& message, int deviceKind, int kind, int lineWidth) {
    const std::size_t length = message.size();
    if (length < 3) return 0;
    for (std::size_t h = 0; h < 2; ++h) {
        if (message[h] == 0x00) {
            message[h] = 0x1F;
        } else if (message[h] == 0x0D) {
            message[h] = 0x1E;
        }
    }
    if (length == 3) return 3;
    std::size_t m = deviceKind == DEVICE_TERMINAL ? length - 3 : length - 2;
    std::size_t i = 0;
    std::size_t c = 0;
    while (i < m) {
        const std::size_t at = 2 + i;
        const std::uint8_t ch = message[at];
        if (ch == 0x00 || ch == 0x0A) {
            message.erase(message.begin() + static_cast<std::ptrdiff_t>(at));
            --m;
        } else if (ch == 0x87) {
            message[at] = 0xD8;
            ++c;
            ++i;
        } else if (kind == 4 && c == static_cast<std::size_t>(lineWidth)) {
            const std::uint8_t pair[] = {0x0D, 0x0A};
            message.insert(message.begin() + static_cast<std::ptrdiff_t>(at), pair, pair + 2);
            m += 2;
            i += 3;
            c = 1;
        } else {
            ++c;
            ++i;
        }
    }
    return i;
}

CZelReceiver::Outcome CZelReceiver::Process(std::span<const std::uint8_t> data,
                                            const VorsSettings& vors) {
    Outcome out;
    if (data.size() < 5) {
        out.dropped = true;
        out.note = "ProcessRecvdMessage() Data packet too short; dropped\n";
        return out;
    }
    CLniata from;
    from.SetOctet1(data[0]);
    from.SetOctet2(data[1]);
    from.SetOctet3(data[2]);
    if (!(from == lniata)) {
        lniata = from;
        out.newLniata = true;
    }
    lastLength = data.size() - 3;
    if (binary && !IsPac(data[3])) {
        out.note = "ProcessRecvdMessage() No PAC; Quitting Binary Mode\n";
        binary = false;
        translate = accumulate = true;
        out.code = 1039;
    } else if (!binary && IsPac(data[3])) {
        out.dropped = true;
        out.note =
            "ProcessRecvdMessage() PAC Found in non-binary mode; Drop the data. Don't fire "
            "OnReceive() to the upper layer\n";
        return out;
    }
    Bytes message(data.begin(), data.end());
    if (printer) {
        if (vors.hostTrans == 0) {
            SubstituteIncoming(message);
            TranslateC1C2(message, C1C2Form::First);
        } else {
            HostTablePass(message);
            if (vors.c1c2Trans != 0) TranslateC1C2(message, C1C2Form::Second);
        }
    }
    const std::span<const std::uint8_t> body(message.data() + 3, message.size() - 3);
    if (!translate) {
        Bytes copy(body.begin(), body.end());
        if (!binary) RemoveZeros(copy);
        m_queue.push_back(std::move(copy));
        out.announce = true;
        return out;
    }
    Bytes ascii = TranslateToAscii(body);
    kind = MessageKind(ascii[0], ascii[1], lineWidth);
    lastLength = ascii.size();
    if (kind == 5) {
        if (deviceKind == DEVICE_TERMINAL) {
            out.printerAnswer = 0;
            out.dropped = true;
            return out;
        }
        m_queue.push_back(std::move(ascii));
        out.announce = true;
        out.note = "OnReceive() : called callback->OnReceive(): Its printer type CR message \n";
        return out;
    }
    const std::uint8_t last = ascii.back();
    const bool complete =
        deviceKind == DEVICE_PRINTER || last == 0x15 || last == 0x16 || (last == 0x14 && printer);
    if (last == 0x14 || last == 0x16) {
        if (deviceKind == DEVICE_TERMINAL && !printer) {
            out.printerAnswer = 1;
        } else {
            out.note = "Received incomplete UNPROT mesg for PRINTER\n";
        }
    }
    m_queue.push_back(std::move(ascii));
    out.announce = complete;
    return out;
}

BRXError CZelReceiver::ReceiveText(std::string& text) {
    if (m_queue.empty()) return BRX_NOT_IMPLEMENTED;
    if (!accumulate || deviceKind == DEVICE_PRINTER) {
        while (!m_queue.empty()) {
            const Bytes& m = m_queue.front();
            text.append(reinterpret_cast<const char*>(m.data()), m.size());
            m_queue.pop_front();
        }
        return 0;
    }
    int appended = 0;
    int appendedWhole = 0;
    while (!m_queue.empty()) {
        Bytes m = std::move(m_queue.front());
        m_queue.pop_front();
        const bool continuation = m.size() >= 2 && m[0] == 0x00 && m[1] == 0x00;
        const std::uint8_t third = m.size() >= 3 ? m[2] : 0;
        const std::uint8_t last = m.empty() ? 0 : m.back();
        const std::size_t n = ReceiveLayout(m, deviceKind, kind, lineWidth);
        if (n == 0) return BRX_NOT_IMPLEMENTED;
        const bool first = appended == 0;
        bool whole = false;
        bool tail = false;
        if (printer) {
            if (last != 0x15) {
                whole = first;
                tail = !first;
            } else {
                whole = first;
                tail = !first && n > 3;
            }
        } else if (continuation && appendedWhole > 0) {
            const bool empty = last == 0x15 && n == 3 && (third == 0x15 || third == 0x16);
            tail = !empty;
        } else {
            whole = true;
        }
        if (whole) {
            Append(text, m, 0, n + 2);
            ++appendedWhole;
        } else if (tail) {
            Append(text, m, 2, n);
        }
        ++appended;
        if (last == 0x15) break;
    }
    return 0;
}

BRXError CZelReceiver::ReceiveBlock(char** data, int* length) {
    if (m_queue.empty()) return BRX_NO_DATA;
    m_handedOut = std::move(m_queue.front());
    m_queue.pop_front();
    if (data) *data = reinterpret_cast<char*>(m_handedOut.data());
    if (length) *length = static_cast<int>(m_handedOut.size());
    return 0;
}

BRXError CZelReceiver::ReceiveMessage(CMessage& message) {
    if (m_queue.empty()) return 0;
    const Bytes m = std::move(m_queue.front());
    m_queue.pop_front();
    (void)message.AddData(m.data(), static_cast<int>(m.size()));
    return 0;
}

void CZelReceiver::Clear() {
    m_queue.clear();
}

BRXError CZelReceiver::SetOption(int option, const char* value) {
    if (option == 3) {
        // The number itself stands in place of the text.
        const auto number = reinterpret_cast<std::intptr_t>(value);
        if (number != DEVICE_TERMINAL && number != DEVICE_PRINTER) return BRX_INVALID_OPTION;
        deviceKind = static_cast<int>(number);
        return 0;
    }
    if (!value) return BRX_INVALID_OPTION;
    if (option == 1 || option == 2) {
        const bool on = std::strcmp(value, "TRUE") == 0;
        if (binary || (!on && std::strcmp(value, "FALSE") != 0)) return BRX_INVALID_OPTION;
        (option == 1 ? accumulate : translate) = on;
        return 0;
    }
    if (option == 4) {
        const bool on = strcasecmp(value, "TRUE") == 0;
        if (!on && strcasecmp(value, "FALSE") != 0) return BRX_INVALID_OPTION;
        binary = on;
        translate = accumulate = !on;
        return 0;
    }
    return BRX_INVALID_OPTION;
}

BRXError CZelReceiver::GetOption(int option, char* value) const {
    if (!value) return BRX_INVALID_OPTION;
    switch (option) {
        case 1:
        case 4:
            std::strcpy(value, (option == 1 ? accumulate : binary) ? "TRUE" : "FALSE");
            return 0;
        case 2:
            value[0] = translate ? 1 : 0;
            return 0;
        case 3:
            value[0] = static_cast<char>(deviceKind);
            return 0;
        default:
            return BRX_INVALID_OPTION;
    }
}

}  // namespace zel
