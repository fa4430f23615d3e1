// UTKTools::CSyncException: what the toolkit's locks and waits (and the seeding of the
// random generator) throw. It carries a signed code, usually the system's last error, and
// a printf-formatted text that it owns.
#pragma once

#include <cstdint>
#include <exception>

#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CSyncException : public std::exception {
public:
    CSyncException(std::int32_t code, const char* format, ...) UTK_PRINTF(3, 4);
    CSyncException(const CSyncException& other);
    CSyncException& operator=(const CSyncException& other);
    ~CSyncException() override;

    // The text, or "No message allocated!" when there is none.
    const char* what() const noexcept override;
    std::int32_t error() const noexcept { return m_nError; }

private:
    void CopyText(const char* text);

    std::int32_t m_nError;
    char* m_pMessage = nullptr;
};

}  // namespace UTKTools
