#pragma once

#include <stdexcept>
#include <string>

namespace rs2 {

// Every failure inside the stream library is thrown as this exception; what() is the
// message given at the throw site.
class IOException : public std::runtime_error {
public:
    explicit IOException(const std::string& message) : std::runtime_error(message) {}
};

} // namespace rs2
