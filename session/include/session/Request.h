// SessionNS::CRequest and CResponse: one message to the host and one from it, each one
// stream of bytes. The provider built on this library derives its own.
#pragma once

#include "session/SessionApi.h"
#include "session/Stream.h"

namespace SessionNS {

class SESSION_API CRequest {
public:
    CRequest();
    virtual ~CRequest();
    CStream data;
};

class SESSION_API CResponse {
public:
    CResponse();
    virtual ~CResponse();
    CStream data;
};

}  // namespace SessionNS
