#include <toveldom/element.h>

namespace LUMA_7_4_0 {

void CTOVELDOMElement::order(ITOVELDOMOrderDef const*) {
    throw TOVELDOMException(NOT_IMPLEMENTED_ERR);
}

void CTOVELDOMElement::sort(CDynamicArray<SortElementDef>&, bool) {
    throw TOVELDOMException(NOT_IMPLEMENTED_ERR);
}

int CTOVELDOMElement::x_s_strcoll(const void*, const void*) { return 0; }
int CTOVELDOMElement::x_i_strcoll(const void*, const void*) { return 0; }

} // namespace LUMA_7_4_0
