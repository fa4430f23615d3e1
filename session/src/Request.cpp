#include "session/Request.h"

namespace SessionNS {

CRequest::CRequest() = default;
CRequest::~CRequest() = default;
CResponse::CResponse() = default;
CResponse::~CResponse() = default;

}  // namespace SessionNS
