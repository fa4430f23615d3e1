// The way up from a provider object to the connection that owns it.
#pragma once

#include <string>

namespace quilsp {

class IProviderCallbacks {
public:
    virtual ~IProviderCallbacks() = default;

    virtual void OnReceive(int error) = 0;
    virtual void OnSend(int error) = 0;
    virtual void OnConnect(int error) = 0;
    virtual void OnDisconnect(int error) = 0;
    virtual void OnResource(std::string resource, int number) = 0;
};

}  // namespace quilsp
