// IMA ADPCM decoding of "ADPs" resources.
#include "adpcm.h"

namespace mx {

int adpcmdecode_init(VoiceSource*) {
    return -1;
}
int32_t adpcmdecode_read(VoiceSource*, int16_t*, int32_t) {
    return 0;
}

} // namespace mx
