#include "Logs.h"

namespace lineserv {

namespace {
constexpr const char* kLogFile = "Lineserv.Log";
Logger g_lineserv(kLogFile, "Lineserv: ");
Logger g_comm(kLogFile, "CommLineserv: ");
Logger g_lpt(kLogFile, "LptLineserv: ");
Logger g_pdm(kLogFile, "PDM: ");
Logger g_kd(kLogFile, "KDLineserv: ");
}  // namespace

Logger& lineservLog() {
    return g_lineserv;
}
Logger& commLog() {
    return g_comm;
}
Logger& lptLog() {
    return g_lpt;
}
Logger& pdmLog() {
    return g_pdm;
}
Logger& kdLog() {
    return g_kd;
}

}  // namespace lineserv
