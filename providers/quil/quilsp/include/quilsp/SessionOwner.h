// What a session calls on the provider object it reports to.
#pragma once

#include <string>

namespace quilsp {

class CSession;

class ISessionOwner {
public:
    virtual ~ISessionOwner() = default;

    virtual void OnConnect(int error) = 0;
    virtual void OnReceive(int error, CSession* session) = 0;
    virtual void OnSend(int error) = 0;
    virtual void OnDisconnect(int error, CSession* session) = 0;
    virtual void OnResource(const std::string& lniata, int number) = 0;
    // The route's "SegmentOverride" flag.
    virtual bool SegmentOverride() const = 0;
};

}  // namespace quilsp
