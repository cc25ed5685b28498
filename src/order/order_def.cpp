#include <toveldom/order_def.h>

#include <memory>

#include "frame/alloc.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

CTOVELDOMOrderDef::CTOVELDOMOrderDef()
    : sortOrder(eSortAscending), sortSensitivity(false), groups(8), sortTagLevel(1), refCount(0) {}

CTOVELDOMOrderDef::~CTOVELDOMOrderDef() = default;

void CTOVELDOMOrderDef::setGroup(char const* name, unsigned const& rank) {
    groups.reserveOne(); // the insertion below then cannot fail
    std::unique_ptr<GroupDef> group(make<GroupDef>());
    group->name = name ? name : "";
    group->rank = rank;
    int at = groups.count();
    for (int i = 0; i < groups.count(); ++i) {
        if (groups[i]->rank > rank) {
            at = i;
            break;
        }
    }
    groups.insertElementAt(group.release(), at);
}

unsigned CTOVELDOMOrderDef::getGroupRank(char const* name) const {
    if (!name) return 0;
    for (int i = 0; i < groups.count(); ++i)
        if (platform::stricmp(groups[i]->name.c_str(), name) == 0) return unsigned(i + 1);
    return 0;
}

unsigned CTOVELDOMOrderDef::getGroupSize() const { return unsigned(groups.count()); }

void CTOVELDOMOrderDef::setSort(char const* tagName, unsigned const& tagLevel, eSort const& order,
                                bool const& caseSensitive) {
    sortTagName = tagName ? tagName : "";
    sortTagLevel = tagLevel;
    sortOrder = order;
    sortSensitivity = caseSensitive;
}

char* CTOVELDOMOrderDef::getSortTagName() const { return const_cast<char*>(sortTagName.c_str()); }
unsigned CTOVELDOMOrderDef::getSortTagLevel() const { return sortTagLevel; }
ITOVELDOMOrderDef::eSort CTOVELDOMOrderDef::getSortOrder() const { return sortOrder; }
bool CTOVELDOMOrderDef::getSortSensitivity() const { return sortSensitivity; }
int CTOVELDOMOrderDef::AddRef() { return ++refCount; }

int CTOVELDOMOrderDef::Release() {
    int left = --refCount;
    if (left == 0) delete this;
    return left;
}

} // namespace LUMA_7_4_0
