#include "support/TestFrontEnd.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocket.h"

namespace support {

namespace {
std::atomic<TestFrontEnd*> g_last{nullptr};
}

TestFrontEnd::TestFrontEnd() : CMFEBase("CTestMFE") {
    g_last = this;
}

TestFrontEnd::~TestFrontEnd() {
    TestFrontEnd* self = this;
    g_last.compare_exchange_strong(self, nullptr);
    if (m_session) {
        if (quildrv::CHostSessionList* registry = quildrv::CurrentSessionRegistry())
            registry->Unregister(m_session->RegistryIndex());
        m_session.reset();
    }
}

TestFrontEnd* TestFrontEnd::Last() {
    return g_last.load();
}

std::vector<std::vector<std::uint8_t>> TestFrontEnd::Errors() const {
    std::lock_guard lock(const_cast<std::mutex&>(m_mutex));
    return m_errors;
}

std::vector<std::vector<std::uint8_t>> TestFrontEnd::Urls() const {
    std::lock_guard lock(const_cast<std::mutex&>(m_mutex));
    return m_urls;
}

const char* TestFrontEnd::Setting(const char* key) {
    std::lock_guard lock(m_mutex);
    auto it = m_settings.find(key);
    if (it == m_settings.end()) {
        char value[128] = {};
        unsigned int length = sizeof value;
        if (GetHostDrvInterface() != nullptr)
            (void)GetHostDrvInterface()->OnGetCfgInfo(nullptr, key, value, &length);
        value[sizeof value - 1] = '\0';
        it = m_settings.emplace(key, value).first;
    }
    return it->second.c_str();
}

const char* TestFrontEnd::GetSessionData() {
    return m_session ? m_session->GetSessionData() : "PROTOCOL=QUIL";
}

bool TestFrontEnd::IsHostAvailable() {
    return m_session != nullptr;
}

bool TestFrontEnd::IsConnected() {
    quildrv::CHostSocket* socket = m_session ? m_session->Socket() : nullptr;
    return socket != nullptr && socket->IsConnected();
}

bool TestFrontEnd::Init() {
    return true;
}

int TestFrontEnd::BeginSession() {
    if (!m_session) {
        auto session = std::make_unique<quildrv::CHostSession>(this);
        if (!session->Init()) return COMM_CONNECT_FAILED;
        quildrv::CHostSessionList* registry = quildrv::GetSessionRegistry();
        if (registry == nullptr || !registry->Register(session.get())) return COMM_CONNECT_FAILED;
        m_session = std::move(session);
    }
    return m_session->BeginSession(GetDefaultHost(), static_cast<std::uint32_t>(GetPort()));
}

int TestFrontEnd::EndSession() {
    return m_session ? m_session->EndSession(true) : COMM_ERR_UNKNOWN;
}

int TestFrontEnd::SendToHost(const unsigned char* data, unsigned int length) {
    return m_session ? m_session->SendToHost(data, length) : COMM_ERR_UNKNOWN;
}

int TestFrontEnd::RecvFromHost(unsigned char** data, unsigned int* length) {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty()) return COMM_NO_RECV_DATA;
    const auto& message = m_queue.front();
    auto* block = static_cast<unsigned char*>(std::malloc(message.size() + 1));
    if (block == nullptr) return COMM_ERR_UNKNOWN;
    std::memcpy(block, message.data(), message.size());
    *data = block;
    *length = static_cast<unsigned int>(message.size());
    m_queue.pop_front();
    return COMM_NO_ERROR;
}

const char* TestFrontEnd::GetLNIATA() {
    return m_session ? m_session->LNIATA() : nullptr;
}

bool TestFrontEnd::SetDrvOptions(int option, int value) {
    return m_session != nullptr && m_session->SetSessionOptions(option, value);
}

int TestFrontEnd::AddBufferToChain(const unsigned char* /*data*/, unsigned int /*length*/) {
    return COMM_NO_ERROR;
}

int TestFrontEnd::BackGroundConnect(unsigned char* /*host*/) {
    return COMM_NO_ERROR;
}

QUILOptionsState* TestFrontEnd::GetElementState(int element, QUILOptionsState* state) {
    return m_session ? m_session->GetElementState(element, state) : nullptr;
}

bool TestFrontEnd::SetElementState(int element, void* data) {
    return m_session != nullptr && m_session->SetElementState(element, data);
}

void TestFrontEnd::OnHostData(unsigned char* data, unsigned int length,
                              quildrv::CHostSession* /*session*/) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back(data, data + length);
    }
    std::free(data);
    OnReceive(COMM_NO_ERROR);
}

void TestFrontEnd::OnConnect(int code, bool /*flag*/) {
    if (GetHostDrvInterface() != nullptr) GetHostDrvInterface()->OnConnect(code);
}

void TestFrontEnd::OnURLAddress(const unsigned char* data, unsigned int length) {
    std::lock_guard lock(m_mutex);
    m_urls.emplace_back(data, data + length);
}

void TestFrontEnd::OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                                         quildrv::CHostSession* /*session*/) {
    if (GetHostDrvInterface() != nullptr)
        GetHostDrvInterface()->OnStoreSessionChanges(key, data, length);
}

bool TestFrontEnd::OnGetCfgInfo(const char* section, const char* key, char* buffer,
                                unsigned int* length) {
    return GetHostDrvInterface() != nullptr &&
           GetHostDrvInterface()->OnGetCfgInfo(section, key, buffer, length);
}

bool TestFrontEnd::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                  unsigned int length) {
    return GetHostDrvInterface() != nullptr &&
           GetHostDrvInterface()->OnStoreCfgInfo(section, key, value, length);
}

void TestFrontEnd::SetHostState(int state, const char* host) {
    std::lock_guard lock(m_mutex);
    m_hostStates[host != nullptr ? host : ""] = state;
}

int TestFrontEnd::GetHostState(const char* host) {
    std::lock_guard lock(m_mutex);
    const auto it = m_hostStates.find(host != nullptr ? host : "");
    return it == m_hostStates.end() ? 5 : it->second;
}

int TestFrontEnd::GetHostSessionState(const char* host, quildrv::CHostSession* /*session*/) {
    const int state = GetHostState(host);
    return state == 1 ? 1 : 0;
}

const char* TestFrontEnd::GetDefaultHost() {
    return Setting("DEFAULTHOST");
}

int TestFrontEnd::GetPort() {
    const int port = std::atoi(Setting("PORT"));
    return port > 0 ? port : 30031;
}

bool TestFrontEnd::GetSegmentOverride() {
    return std::atoi(Setting("SEGMENTOVERRIDE")) != 0;
}

std::uint32_t TestFrontEnd::GetLID(const char* /*host*/) {
    // The LID the host gave (kept as session data), else the configured one.
    unsigned char stored[16] = {};
    unsigned int length = sizeof stored;
    if (GetHostDrvInterface() != nullptr)
        GetHostDrvInterface()->OnGetSessionData("LID", reinterpret_cast<char*>(stored), &length);
    if (length == 4)
        return std::uint32_t{stored[0]} << 24 | std::uint32_t{stored[1]} << 16 |
               std::uint32_t{stored[2]} << 8 | stored[3];
    return static_cast<std::uint32_t>(std::strtoul(Setting("LID"), nullptr, 16));
}

bool TestFrontEnd::GetEndToEndLogging() {
    return std::atoi(Setting("ENDTOENDLOGGING")) != 0;
}

bool TestFrontEnd::GetDebug() {
    return std::atoi(Setting("DEBUG")) != 0;
}

const char* TestFrontEnd::GetConfiguredLNIATA() {
    return Setting("LNIATA");
}

const char* TestFrontEnd::GetPoolType() {
    return Setting("POOLTYPE");
}
const char* TestFrontEnd::GetPoolName() {
    return Setting("POOLNAME");
}
const char* TestFrontEnd::GetKeyName() {
    return Setting("KEYNAME");
}
const char* TestFrontEnd::GetBasePCC() {
    return Setting("BASEPCC");
}
const char* TestFrontEnd::GetBranchPCC() {
    return Setting("BRANCHPCC");
}
const char* TestFrontEnd::GetCityCode() {
    return Setting("CITYCODE");
}
const char* TestFrontEnd::GetPartition() {
    return Setting("PARTITION");
}

bool TestFrontEnd::GetKeepAlive() {
    return std::strcmp(Setting("KEEPALIVE"), "0") != 0;
}

unsigned char* TestFrontEnd::GetRID(const char* /*host*/) {
    return nullptr;
}

bool TestFrontEnd::OnHandleError(quildrv::CHostSession* /*session*/, const unsigned char* data,
                                 unsigned int length) {
    std::lock_guard lock(m_mutex);
    m_errors.emplace_back(data, data + length);
    return false;
}

bool TestFrontEnd::RestartSession(quildrv::CHostSession* session) {
    return session == nullptr;
}

void RegisterTestFrontEnd(const std::string& devType) {
    quildrv::RegisterFrontEndMaker(devType, [] { return new TestFrontEnd; });
}

}  // namespace support
