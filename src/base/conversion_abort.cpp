#include "base/conversion_abort.h"

namespace brelvano {

ConversionAbort& conversionAbort() {
  static ConversionAbort flag;
  return flag;
}

}  // namespace brelvano
