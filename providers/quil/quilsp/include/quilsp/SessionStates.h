// What both QUIL providers' sessions share: their states, device types and pooling kinds.
#pragma once

namespace quilsp {

// Session states.
inline constexpr int kStateNotConnected = 0;
inline constexpr int kStateConnecting = 1;
inline constexpr int kStateIdle = 2;
inline constexpr int kStateSending = 4;
inline constexpr int kStateReadFailed = 5;
inline constexpr int kStateDisconnecting = 6;

// Device types.
inline constexpr int kDeviceTerminal = 1;
inline constexpr int kDevicePrinter = 2;
inline constexpr int kDeviceAsyncMini = 3;
inline constexpr int kDeviceOther = 4;

// Pooling kinds: how the session's terminal address is chosen.
inline constexpr int kPoolingHost = 0;
inline constexpr int kPoolingCode = 1;
inline constexpr int kPoolingFixed = 2;

}  // namespace quilsp
