#include "hostdriver/HostInfoTable.h"

#include <strings.h>

namespace quildrv {

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::optional<HostInfoRecord> ParseHostInfoLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.size() < 3) return std::nullopt;
    std::string_view fields[3];
    for (auto& field : fields) {
        const std::size_t end = line.find(';');
        field = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view{} : line.substr(end + 1);
        if (field.empty()) return std::nullopt;
    }
    return HostInfoRecord{std::string(fields[0]), std::string(fields[1]), std::string(fields[2])};
}

std::string HostInfoLine(const HostInfoRecord& record) {
    return record.paid + ";" + record.host + ";" + record.cluster + ";\r\n";
}

std::optional<std::string> ResolvePaid(const std::vector<HostInfoRecord>& records,
                                       std::string_view paid) {
    for (const HostInfoRecord& r : records) {
        if (!r.paid.empty() && r.paid.back() == '*') {
            const std::string_view prefix(r.paid.data(), r.paid.size() - 1);
            if (paid.size() >= prefix.size() && SameText(paid.substr(0, prefix.size()), prefix))
                return std::string(paid) + r.host;
        } else if (SameText(r.paid, paid)) {
            return r.host;
        }
    }
    return std::nullopt;
}

void CHostInfoTable::Add(HostInfoRecord record) {
    std::lock_guard lock(m_hostLock);
    m_hosts.push_back(std::move(record));
}

std::size_t CHostInfoTable::Load(std::istream& in) {
    std::lock_guard lock(m_hostLock);
    std::size_t added = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (auto record = ParseHostInfoLine(line)) {
            m_hosts.push_back(std::move(*record));
            ++added;
        }
    }
    return added;
}

bool CHostInfoTable::Empty() const {
    std::lock_guard lock(m_hostLock);
    return m_hosts.empty();
}

void CHostInfoTable::Clear() {
    {
        std::lock_guard lock(m_hostLock);
        m_hosts.clear();
    }
    std::lock_guard lock(m_clusterLock);
    m_clusters.clear();
}

std::vector<HostInfoRecord> CHostInfoTable::Records() const {
    std::lock_guard lock(m_hostLock);
    return m_hosts;
}

std::optional<std::string> CHostInfoTable::Resolve(std::string_view paid) const {
    std::lock_guard lock(m_hostLock);
    return ResolvePaid(m_hosts, paid);
}

std::optional<std::string> CHostInfoTable::ClusterOf(std::string_view host) const {
    std::lock_guard lock(m_hostLock);
    for (const HostInfoRecord& r : m_hosts)
        if (SameText(r.paid, host) || SameText(r.host, host)) return r.cluster;
    return std::nullopt;
}

CHostInfoTable::Cluster* CHostInfoTable::ClusterRecord(std::string_view host, bool make) {
    const std::optional<std::string> name = ClusterOf(host);
    if (!name) return nullptr;
    for (Cluster& c : m_clusters)
        if (SameText(c.name, *name)) return &c;
    if (!make) return nullptr;
    Cluster& added = m_clusters.emplace_back();
    added.name = *name;
    return &added;
}

const CHostInfoTable::Cluster* CHostInfoTable::ClusterRecord(std::string_view host) const {
    return const_cast<CHostInfoTable*>(this)->ClusterRecord(host, false);
}

void CHostInfoTable::SetState(std::string_view host, int state) {
    std::lock_guard lock(m_clusterLock);
    if (Cluster* c = ClusterRecord(host, true)) c->state = state;
}

int CHostInfoTable::State(std::string_view host) const {
    std::lock_guard lock(m_clusterLock);
    const Cluster* c = ClusterRecord(host);
    return c != nullptr ? c->state : kNoCluster;
}

std::optional<Lid> CHostInfoTable::DomainLid(std::string_view host) const {
    std::lock_guard lock(m_clusterLock);
    const Cluster* c = ClusterRecord(host);
    if (c == nullptr || !c->hasLid) return std::nullopt;
    return c->lid;
}

void CHostInfoTable::SetDomainLid(std::string_view host, const Lid& lid) {
    std::lock_guard lock(m_clusterLock);
    if (Cluster* c = ClusterRecord(host, false)) {
        c->lid = lid;
        c->hasLid = lid != Lid{};
    }
}

std::optional<Rid> CHostInfoTable::DomainRid(std::string_view host) const {
    std::lock_guard lock(m_clusterLock);
    const Cluster* c = ClusterRecord(host);
    if (c == nullptr || !c->hasRid) return std::nullopt;
    return c->rid;
}

void CHostInfoTable::SetDomainRid(std::string_view host, const Rid& rid) {
    std::lock_guard lock(m_clusterLock);
    if (Cluster* c = ClusterRecord(host, false)) {
        c->rid = rid;
        c->hasRid = rid != Rid{};
    }
}

}  // namespace quildrv
