// The attribute map: iteration by hash bucket (h = h * 33 + signed byte, modulo 17),
// newest first inside a bucket; named, indexed and namespace look-ups; the nextNode cursor.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace tovel_test {
namespace {

class AttributeMap : public DocTest {
protected:
    CNodePtr<ITOVELDOMElement> e_ = elem("e");
    CNodePtr<ITOVELDOMNamedNodeMap> map_ = own(e_->get_attributes());

    // Attribute names in the map's iteration order, read through get_item.
    static std::string order(ITOVELDOMElement* e) {
        auto map = own(e->get_attributes());
        std::string out;
        for (long i = 0; i < map->get_length(); ++i)
            out += std::string(i ? "," : "") + own(map->get_item(i))->get_nodeName();
        return out;
    }
    // Names read through the nextNode cursor after a reset.
    std::string cursor() {
        map_->reset();
        std::string seen;
        while (auto n = own(map_->nextNode())) seen += std::string(n->get_nodeName()) + ";";
        return seen;
    }
};

// name, id and type hash to buckets 13, 12 and 11; value shares type's bucket.
TEST_F(AttributeMap, IterationFollowsBucketOrder) {
    e_->setAttribute("name", "1");
    e_->setAttribute("id", "2");
    e_->setAttribute("type", "3");
    EXPECT_XML(e_, "<e type=\"3\" id=\"2\" name=\"1\"/>");
    e_->setAttribute("value", "4"); // newer in the same bucket: comes first
    EXPECT_EQ(order(e_), "value,type,id,name");
    e_->setAttribute("type", "5"); // an existing key keeps its place
    EXPECT_XML(e_, "<e value=\"4\" type=\"5\" id=\"2\" name=\"1\"/>");
    // 0xE9 0x74 hashes to bucket 4 taken as signed bytes; unsigned it would land in 2,
    // before G (bucket 3).
    auto f = elem("f");
    f->setAttribute("\xE9t", "x");
    f->setAttribute("G", "y");
    EXPECT_EQ(order(f), "G,\xE9t");
}

TEST_F(AttributeMap, ManyKeysOrderedByBucketThenNewestFirst) {
    // Small maps and maps past the size where look-ups go through an index: the same order,
    // also after removing every third key (which moves index entries back).
    for (int count : {60, 3000}) {
        auto e = elem("e");
        std::vector<std::pair<uint32_t, int>> entries; // bucket, -insertion index
        std::vector<std::string> keys;
        for (int i = 0; i < count; ++i) {
            keys.push_back("k" + std::to_string(i * 7));
            e->setAttribute(keys.back().c_str(), "v");
            uint32_t h = 0;
            for (char c : keys.back()) h = h * 33 + uint32_t(c);
            entries.push_back({h % 17, -i});
        }
        auto want = [&](bool removed) {
            std::vector<std::pair<uint32_t, int>> sorted;
            for (auto& entry : entries)
                if (!removed || -entry.second % 3 != 0) sorted.push_back(entry);
            std::sort(sorted.begin(), sorted.end());
            std::string out;
            for (auto& [bucket, i] : sorted) out += (out.empty() ? "" : ",") + keys[size_t(-i)];
            return out;
        };
        EXPECT_EQ(order(e), want(false)) << count;
        for (int i = 0; i < count; i += 3) e->removeAttribute(keys[size_t(i)].c_str());
        EXPECT_EQ(order(e), want(true)) << count;
        for (int i = 0; i < count; ++i)
            EXPECT_STREQ(e->getAttribute(keys[size_t(i)].c_str()), i % 3 ? "v" : "") << i;
        e->setAttribute(keys[1].c_str(), "again"); // an existing key keeps its place
        EXPECT_EQ(order(e), want(true)) << count;
        EXPECT_STREQ(e->getAttribute(keys[1].c_str()), "again");
    }
}

TEST_F(AttributeMap, CloneReversesSameBucketEntries) {
    e_->setAttribute("type", "1");
    e_->setAttribute("value", "2");
    e_->setAttribute("id", "3");
    EXPECT_EQ(order(e_), "value,type,id");
    EXPECT_XML(own(e_->cloneNode(false)), "<e type=\"1\" value=\"2\" id=\"3\"/>");
}

TEST_F(AttributeMap, NamedAndIndexedLookups) {
    e_->setAttribute("a", "1");
    e_->setAttribute("A", "2"); // keys are case-sensitive
    EXPECT_EQ(map_->get_length(), 2);
    EXPECT_STREQ(own(map_->getNamedItem("a"))->get_nodeValue(), "1");
    EXPECT_EQ(map_->getNamedItem(nullptr), nullptr);
    EXPECT_EQ(map_->getNamedItem("b"), nullptr);
    EXPECT_EQ(map_->removeNamedItem(nullptr), nullptr);
    EXPECT_EQ(map_->get_item(-1), nullptr);
    EXPECT_CODE(1, drop(map_->get_item(2)));
    EXPECT_CODE(1, drop(own(elem("f")->get_attributes())->get_item(0)));
    auto first = own(map_->get_item(0));
    EXPECT_EQ(refs(first.get()), 2);
}

TEST_F(AttributeMap, SetNamedItemReturnsThePreviousNode) {
    EXPECT_CODE(30003, drop(map_->setNamedItem(nullptr)));
    auto first = attr("k"), second = attr("k");
    EXPECT_EQ(map_->setNamedItem(first), nullptr);
    EXPECT_EQ(refs(first.get()), 2);
    ITOVELDOMNode* previous = map_->setNamedItem(second);
    EXPECT_EQ(previous, first.get());
    EXPECT_EQ(refs(first.get()), 2); // carries the map's former reference
    previous->Release();
    EXPECT_EQ(map_->get_length(), 1);
    ITOVELDOMNode* same = map_->setNamedItem(second);
    EXPECT_EQ(same, second.get());
    EXPECT_EQ(refs(second.get()), 3); // ours, the map's, and the returned one
    same->Release();
    auto removed = own(map_->removeNamedItem("k"));
    EXPECT_EQ(removed.get(), second.get());
    EXPECT_EQ(refs(second.get()), 2);
    EXPECT_EQ(map_->get_length(), 0);
    EXPECT_EQ(map_->removeNamedItem("k"), nullptr);
}

TEST_F(AttributeMap, NamespaceLookups) {
    e_->setAttribute("plain", "1");
    e_->setAttributeNS("urn:a", "p:item", "2");
    e_->setAttributeNS("urn:b", "q:item", "3");
    EXPECT_STREQ(own(map_->getNamedItemNS("", "plain"))->get_nodeValue(), "1");
    EXPECT_STREQ(own(map_->getNamedItemNS("urn:b", "item"))->get_nodeName(), "q:item");
    EXPECT_EQ(map_->getNamedItemNS("urn:A", "item"), nullptr);
    EXPECT_EQ(map_->getNamedItemNS("urn:a", "p:item"), nullptr);
    EXPECT_CODE(30002, drop(map_->getNamedItemNS(nullptr, "item")));
    EXPECT_CODE(30002, drop(map_->getNamedItemNS("urn:a", nullptr)));
    EXPECT_CODE(30002, drop(map_->removeNamedItemNS(nullptr, "item")));
    auto removed = own(map_->removeNamedItemNS("urn:a", "item"));
    ASSERT_NE(removed, nullptr);
    EXPECT_STREQ(removed->get_nodeName(), "p:item");
    EXPECT_EQ(refs(removed.get()), 1);
    EXPECT_EQ(map_->get_length(), 2);
    EXPECT_EQ(map_->removeNamedItemNS("urn:a", "item"), nullptr);
}

TEST_F(AttributeMap, NextNodeNeedsResetAfterFilling) {
    auto f = elem("f");
    f->setAttribute("a", "1"); // set before the map was asked for
    auto fMap = own(f->get_attributes());
    EXPECT_EQ(fMap->nextNode(), nullptr);
    fMap->reset();
    EXPECT_STREQ(own(fMap->nextNode())->get_nodeName(), "a");

    e_->setAttribute("name", "1");
    e_->setAttribute("id", "2");
    EXPECT_EQ(map_->nextNode(), nullptr);
    EXPECT_EQ(cursor(), "id;name;");
    EXPECT_EQ(map_->nextNode(), nullptr);
    drop(map_->get_item(1)); // indexed access has a position of its own
    EXPECT_EQ(map_->nextNode(), nullptr);
}

TEST_F(AttributeMap, CursorNeverReadsARemovedEntry) {
    e_->setAttribute("id", "1");
    e_->setAttribute("name", "2");
    map_->reset();
    drop(map_->nextNode()); // the cursor now points at name
    e_->removeAttribute("name");
    auto next = own(map_->nextNode()); // undefined which, but never the removed one
    EXPECT_TRUE(!next || std::string(next->get_nodeName()) == "id");
    e_->removeAttribute("id");
    EXPECT_EQ(cursor(), "");
}

} // namespace
} // namespace tovel_test
