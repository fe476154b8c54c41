// ktclient listen: plays a streamed preview through the stream player, as the discography does.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ktclient {

// operands: URL [--seconds S] [-o OUT.wav]. Prints every isPlaying change and any alert; with
// -o plays on the recording backend (in real time) and writes what was played as 16-bit stereo
// WAV. 0 when the stream played to its end or for S seconds, 1 after an alert or a write error,
// 2 on bad operands.
int runListen(const std::vector<std::string>& operands, std::ostream& out, std::ostream& err);

} // namespace ktclient
