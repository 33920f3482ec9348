// Placeholder until the spectrum display lands.
#include "swf/swf_spectrum.h"

namespace brelvano {

void SwfWriteSpectrum(SwfBuffer&, const float*) {}

}  // namespace brelvano
