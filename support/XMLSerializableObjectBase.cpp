#include "support/XMLSerializableObjectBase.h"

namespace orbisk {

std::uint32_t XMLSerializableObjectBase::Release()
{
    if (m_refCount > 0)
        --m_refCount;
    if (m_refCount > 0)
        return m_refCount;
    delete this;
    return 0;
}

}  // namespace orbisk
