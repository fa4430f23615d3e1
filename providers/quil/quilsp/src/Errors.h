// The provider error codes QUILSP answers with (their texts are the provider table's).
#pragma once

namespace quilsp {

inline constexpr int kErrTimeout = 1001;
inline constexpr int kErrConnectionLost = 1003;
inline constexpr int kErrInvalidOption = 1005;
inline constexpr int kErrNoConnect = 1006;
inline constexpr int kErrRefused = 1007;
inline constexpr int kErrWaiting = 1009;
inline constexpr int kErrConfiguration = 1010;
inline constexpr int kErrNoData = 1011;
inline constexpr int kErrNoHost = 1013;
inline constexpr int kErrSocket = 1027;
inline constexpr int kErrSession = 1030;
inline constexpr int kErrNotResolved = 1032;

}  // namespace quilsp
