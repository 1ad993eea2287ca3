#include "state/CategoryWords.h"

OpcLogSettings* CategoryWords::OpcRecord(int32_t kind) {
    switch (kind) {
    case kOpcKindXmlDa:
        return &m_opcXmlDa;
    case kOpcKindUa:
        return &m_opcUa;
    case kOpcKindNet:
        return &m_opcNet;
    default:
        return nullptr;
    }
}

const OpcLogSettings* CategoryWords::OpcRecord(int32_t kind) const {
    return const_cast<CategoryWords*>(this)->OpcRecord(kind);
}
