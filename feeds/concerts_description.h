// ConcertsDescription: one concert of the tour, with its place on the map.
#pragma once

#include <string>

namespace zephrun {

struct ConcertsDescription {
    std::string cID;
    std::string cTitle;
    std::string cDate;
    std::string cAdresse;
    float cLatitude = 0;
    float cLongitude = 0;
};

} // namespace zephrun
