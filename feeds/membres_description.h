// MembresDescription: one member of the community located on the map.
#pragma once

#include <string>

namespace zephrun {

struct MembresDescription {
    std::string tLogin;
    std::string tType; // "male", "female" or other
    float tLatitude = 0;
    float tLongitude = 0;
};

} // namespace zephrun
