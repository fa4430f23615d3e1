// The states, result codes and texts of the binary transport, shared by every provider that
// builds it.
#pragma once

namespace brxbt {

enum BTState : int {
    NOT_CONNECTED = 0,
    DISCONNECTING = 1,
    CONNECTING = 2,
    CONNECTED = 3,
    // Binary mode only:
    BTS_IDLE = 10,
    BTS_SENDING_FIRST_SEG = 20,
    BTS_WINDOW_SENDING = 21,
    BTS_SEGMENT_SENDING = 22,
    BTS_WAIT_FOR_ACK = 23,
    BTS_RECV_FIRST_SEG = 30,
    BTS_WINDOW_RECEIVING = 31,
    BTS_RECEIVE_SEG = 32,
    BTS_SENDING_ACK = 33,
    BTS_SENDING_NACK = 34,
};

// The name a state has in the trace ("UNKNOWN" for another number).
const char* GetStateName(int state) noexcept;
inline bool IsBinaryState(int state) noexcept {
    return state >= BTS_IDLE && state <= BTS_SENDING_NACK;
}

// The transport's own error codes.
inline constexpr int BT_BINARY_MODE_NOT_SET = 1038;
inline constexpr int BT_TEXT_RECEIVED = 1039;
inline constexpr int BT_APP_HEADER_NOT_SET = 1040;
inline constexpr int BT_INVALID_SEGMENT = 1041;
// Its own text for one of them; nullptr for any other code.
const char* OwnErrorText(int code) noexcept;

// Verdicts on an inbound acknowledgement.
inline constexpr int BT_VALID_ACK = 1911;
inline constexpr int BT_NOT_AN_ACK = 1912;
inline constexpr int BT_INVALID_ACK = 1913;
inline constexpr int BT_NOT_CURRENT_ACK = 1914;
inline constexpr int BT_FINAL_ACK = 1915;

// Retransmissions of a window, and NACK repeats of a window, before the transfer fails.
inline constexpr unsigned cnMaxTransmissionCount = 3;
inline constexpr unsigned cnMaxNackRepeatCount = 3;

}  // namespace brxbt
