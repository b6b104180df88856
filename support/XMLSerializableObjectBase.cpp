#include "support/XMLSerializableObjectBase.h"

namespace orbisk {

std::uint32_t XMLSerializableObjectBase::Release() {
  if (refCount_ > 0) --refCount_;
  if (refCount_ > 0) return refCount_;
  delete this;
  return 0;
}

}  // namespace orbisk
