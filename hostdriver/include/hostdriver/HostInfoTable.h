// The terminal front end's host information: records that map a PAID (or a PAID prefix ending
// in "*") to a host name (or, for a prefix, a suffix) and a cluster, read from the directory or
// the host information file, and the cluster records (state, domain LID and RID) shared by
// every host of a cluster. Each table has its own lock; every operation takes it.
#pragma once

#include <istream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hostdriver/HostTexts.h"

namespace quildrv {

struct HostInfoRecord {
    std::string paid;  // a PAID, or a prefix followed by "*"
    std::string host;  // the host name, or the suffix for a prefix
    std::string cluster;
};

// One line of the host information file, "PAID;host;cluster;" (anything after a third ";"
// ignored); nothing for a line under 3 characters or with an empty field.
std::optional<HostInfoRecord> ParseHostInfoLine(std::string_view line);
// The line written for a record: the three fields each followed by ";", then CR LF.
std::string HostInfoLine(const HostInfoRecord& record);
// The host a PAID resolves to through the records, the first match winning.
std::optional<std::string> ResolvePaid(const std::vector<HostInfoRecord>& records,
                                       std::string_view paid);

class CHostInfoTable {
public:
    static constexpr int kNoCluster = 5;

    void Add(HostInfoRecord record);
    // Reads the file's valid lines; the number added.
    std::size_t Load(std::istream& in);
    bool Empty() const;
    void Clear();
    std::vector<HostInfoRecord> Records() const;
    std::optional<std::string> Resolve(std::string_view paid) const;
    // The cluster of the first record whose PAID or host is the host.
    std::optional<std::string> ClusterOf(std::string_view host) const;

    void SetState(std::string_view host, int state);
    // kNoCluster when the host has no cluster or the cluster no record.
    int State(std::string_view host) const;
    std::optional<Lid> DomainLid(std::string_view host) const;
    void SetDomainLid(std::string_view host, const Lid& lid);
    std::optional<Rid> DomainRid(std::string_view host) const;
    void SetDomainRid(std::string_view host, const Rid& rid);

private:
    struct Cluster {
        int state = 0;
        std::string name;
        Lid lid{};
        Rid rid{};
        bool hasLid = false;
        bool hasRid = false;
    };
    // The host's cluster record, made when `make` and missing; null otherwise. m_clusterLock held.
    Cluster* ClusterRecord(std::string_view host, bool make);
    const Cluster* ClusterRecord(std::string_view host) const;

    mutable std::recursive_mutex m_hostLock;
    std::vector<HostInfoRecord> m_hosts;  // under m_hostLock
    mutable std::mutex m_clusterLock;
    std::vector<Cluster> m_clusters;  // under m_clusterLock
};

}  // namespace quildrv
