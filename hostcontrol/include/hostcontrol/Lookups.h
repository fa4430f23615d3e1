// The registry look-ups that turn an application and a session into an end system and a
// route, each through the configuration library below "...\Common TREVO API". A missing
// value reads as an empty text; any error as "not there".
#pragma once

#include <string>

namespace hostcontrol {

// Application names compare without regard to case; session and end-system names exactly.
bool ApplicationExists(const std::string& application);
bool SessionExists(const std::string& session);
bool EndSystemOfSession(const std::string& session, const std::string& endSystem);
std::string DefaultSessionOf(const std::string& application);
std::string DefaultEndSystemOf(const std::string& session);
std::string RouteOf(const std::string& session, const std::string& endSystem);

}  // namespace hostcontrol
