#include "shell/Descriptor.h"

namespace descriptor {

const unsigned char* DescriptorBytes(unsigned int* size) {
  if (size != nullptr) {
    *size = static_cast<unsigned int>(kBytes.size());
  }
  return kBytes.data();
}

}  // namespace descriptor
