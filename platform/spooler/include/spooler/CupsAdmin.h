// Queue administration on the print server, for tests and tools that set up their own server:
// a queue made with a given device and printer description, the server's default queue, and
// a queue's removal.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace spooler {

// Adds (or changes) the queue strName printing to strDeviceUri with the printer description
// file strPpdPath, enabled and accepting jobs. False with the error text.
[[nodiscard]] bool AddQueue(const std::string& strName, const std::string& strDeviceUri,
                            const std::string& strPpdPath, std::string& error);
// Makes the queue the server's default; false with the error text.
[[nodiscard]] bool SetDefaultQueue(const std::string& strName, std::string& error);
// Removes the queue; false with the error text.
[[nodiscard]] bool DeleteQueue(const std::string& strName, std::string& error);
// The jobs of a queue, done or not, oldest first: id and state (3 pending ... 9 completed).
std::vector<std::pair<int, int>> QueueJobs(const std::string& strName);
// True when the print server the calling thread would use answers.
bool ServerAnswers();
// Makes the calling thread look up its print server again (CUPS_SERVER) at its next call.
void ForgetServer();

}  // namespace spooler
