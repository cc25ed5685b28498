// CTOVELDOMOrderDef: groups of element names by rank and a sort-key rule, for
// CTOVELDOMElement::order.
#ifndef TOVELDOM_ORDER_DEF_H
#define TOVELDOM_ORDER_DEF_H

#include <cstdint>
#include <string>

#include <toveldom/dynamic_array.h>
#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// The definition copies every string it is given (group names, the sort tag name), so a
// host may pass temporaries.
class TOVELDOM_API CTOVELDOMOrderDef final : public ITOVELDOMOrderDef {
public:
    // One group: an element name and its rank.
    struct TOVELDOM_API GroupDef {
        std::string name;
        unsigned rank = 1;
        int32_t refCount = 0;

        virtual int AddRef() { return ++refCount; }
        virtual int Release() {
            int left = --refCount;
            if (left == 0) delete this;
            return left;
        }
        virtual ~GroupDef() = default;
    };

    CTOVELDOMOrderDef();

    // Inserts before the first group of strictly greater rank: ascending ranks, equal ranks
    // in the order added.
    void setGroup(char const* name, unsigned const& rank) override;
    // 1-based position of the first group named so (case ignored), or 0.
    unsigned getGroupRank(char const* name) const override;
    unsigned getGroupSize() const override;
    void setSort(char const* tagName, unsigned const& tagLevel, eSort const& order,
                 bool const& caseSensitive) override;
    char* getSortTagName() const override;
    unsigned getSortTagLevel() const override;
    eSort getSortOrder() const override;
    bool getSortSensitivity() const override;

    CTOVELDOMOrderDef(const CTOVELDOMOrderDef&) = delete;
    CTOVELDOMOrderDef& operator=(const CTOVELDOMOrderDef&) = delete;

protected:
    int AddRef() override;
    int Release() override;
    ~CTOVELDOMOrderDef();

private:
    eSort sortOrder;
    bool sortSensitivity;
    CDynamicArray<GroupDef> groups;
    std::string sortTagName;
    uint32_t sortTagLevel;
    int32_t refCount;
};

} // namespace LUMA_7_4_0

#endif
