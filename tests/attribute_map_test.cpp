// The attribute map: iteration by hash bucket (h = h * 33 + signed byte, modulo 17),
// newest first inside a bucket; named, indexed and namespace look-ups; the nextNode cursor.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace tovel_test {
namespace {

uint32_t bucketOf(const std::string& key) {
    uint32_t h = 0;
    for (char c : key) h = h * 33 + uint32_t(int32_t(static_cast<signed char>(c)));
    return h % 17;
}

class AttributeMap : public DocTest {
protected:
    CNodePtr<ITOVELDOMElement> e_ = elem("e");

    // Attribute names in the map's iteration order, read through get_item.
    std::string order(ITOVELDOMElement* e) {
        auto map = own(e->get_attributes());
        std::string out;
        for (long i = 0; i < map->get_length(); ++i) {
            auto n = own(map->get_item(i));
            out += std::string(i ? "," : "") + n->get_nodeName();
        }
        return out;
    }
};

TEST_F(AttributeMap, IterationFollowsBucketOrder) {
    EXPECT_EQ(bucketOf("name"), 13u);
    EXPECT_EQ(bucketOf("id"), 12u);
    EXPECT_EQ(bucketOf("type"), 11u);
    e_->setAttribute("name", "1");
    e_->setAttribute("id", "2");
    e_->setAttribute("type", "3");
    EXPECT_EQ(order(e_), "type,id,name");
    EXPECT_XML(e_, "<e type=\"3\" id=\"2\" name=\"1\"/>");
    e_->setAttribute("value", "4"); // same bucket as type, newer: comes first
    EXPECT_EQ(order(e_), "value,type,id,name");
    e_->setAttribute("type", "5"); // an existing key keeps its place
    EXPECT_EQ(order(e_), "value,type,id,name");
    EXPECT_XML(e_, "<e value=\"4\" type=\"5\" id=\"2\" name=\"1\"/>");
}

TEST_F(AttributeMap, ManyKeysOrderedByBucketThenNewestFirst) {
    std::vector<std::string> keys;
    for (int i = 0; i < 60; ++i) keys.push_back("k" + std::to_string(i * 7));
    for (const auto& k : keys) e_->setAttribute(k.c_str(), "v");
    std::vector<std::pair<uint32_t, int>> expected; // bucket, -insertion index
    for (int i = 0; i < int(keys.size()); ++i) expected.push_back({bucketOf(keys[i]), -i});
    std::sort(expected.begin(), expected.end());
    std::string want;
    for (size_t i = 0; i < expected.size(); ++i)
        want += (i ? "," : "") + keys[size_t(-expected[i].second)];
    EXPECT_EQ(order(e_), want);
}

TEST_F(AttributeMap, HashTakesBytesAsSigned) {
    // 0xE9 0x74 hashes to 4294966653: bucket 4. Taken unsigned it would land in bucket 2,
    // before G (bucket 3).
    e_->setAttribute("\xE9t", "x");
    e_->setAttribute("G", "y");
    EXPECT_EQ(order(e_), "G,\xE9t");
}

TEST_F(AttributeMap, KeysAreCaseSensitive) {
    e_->setAttribute("a", "1");
    e_->setAttribute("A", "2");
    auto map = own(e_->get_attributes());
    EXPECT_EQ(map->get_length(), 2);
    auto lower = own(map->getNamedItem("a"));
    EXPECT_STREQ(lower->get_nodeValue(), "1");
    EXPECT_EQ(map->getNamedItem(nullptr), nullptr);
    EXPECT_EQ(map->getNamedItem("b"), nullptr);
    EXPECT_EQ(map->removeNamedItem(nullptr), nullptr);
}

TEST_F(AttributeMap, CloneReversesSameBucketEntries) {
    e_->setAttribute("type", "1");
    e_->setAttribute("value", "2");
    e_->setAttribute("id", "3");
    EXPECT_EQ(order(e_), "value,type,id");
    auto copy = own(static_cast<ITOVELDOMElement*>(e_->cloneNode(false)));
    EXPECT_EQ(order(copy), "type,value,id");
    EXPECT_XML(copy, "<e type=\"1\" value=\"2\" id=\"3\"/>");
}

TEST_F(AttributeMap, IndexedAccess) {
    e_->setAttribute("x", "1");
    auto map = own(e_->get_attributes());
    EXPECT_EQ(map->get_item(-1), nullptr);
    EXPECT_CODE(1, drop(map->get_item(1)));
    EXPECT_CODE(1, drop(map->get_item(100)));
    auto x = own(map->get_item(0));
    EXPECT_EQ(refs(x.get()), 2);
    auto empty = own(elem("f")->get_attributes());
    EXPECT_CODE(1, drop(empty->get_item(0)));
}

TEST_F(AttributeMap, SetNamedItemReturnsThePreviousNode) {
    auto map = own(e_->get_attributes());
    EXPECT_CODE(30003, drop(map->setNamedItem(nullptr)));
    auto first = attr("k");
    auto second = attr("k");
    EXPECT_EQ(map->setNamedItem(first), nullptr);
    EXPECT_EQ(refs(first.get()), 2);
    ITOVELDOMNode* previous = map->setNamedItem(second);
    EXPECT_EQ(previous, static_cast<ITOVELDOMNode*>(first.get()));
    EXPECT_EQ(refs(first.get()), 2); // carries the map's former reference
    previous->Release();
    EXPECT_EQ(refs(first.get()), 1);
    EXPECT_EQ(map->get_length(), 1);
    ITOVELDOMNode* same = map->setNamedItem(second);
    EXPECT_EQ(same, static_cast<ITOVELDOMNode*>(second.get()));
    EXPECT_EQ(refs(second.get()), 3); // ours, the map's, and the returned one
    same->Release();
    auto removed = own(map->removeNamedItem("k"));
    EXPECT_EQ(removed.get(), static_cast<ITOVELDOMNode*>(second.get()));
    EXPECT_EQ(refs(second.get()), 2);
    EXPECT_EQ(map->get_length(), 0);
    EXPECT_EQ(map->removeNamedItem("k"), nullptr);
}

TEST_F(AttributeMap, EmptiedMapStartsAgain) {
    e_->setAttribute("a", "1");
    e_->setAttribute("b", "2");
    e_->removeAttribute("a");
    e_->removeAttribute("b");
    auto map = own(e_->get_attributes());
    EXPECT_EQ(map->get_length(), 0);
    for (int i = 0; i < 25; ++i) e_->setAttribute(("n" + std::to_string(i)).c_str(), "v");
    EXPECT_EQ(map->get_length(), 25);
    for (int i = 0; i < 25; i += 2) e_->removeAttribute(("n" + std::to_string(i)).c_str());
    EXPECT_EQ(map->get_length(), 12);
    EXPECT_STREQ(e_->getAttribute("n13"), "v");
    EXPECT_STREQ(e_->getAttribute("n12"), "");
}

TEST_F(AttributeMap, NamespaceLookups) {
    e_->setAttribute("plain", "1");
    e_->setAttributeNS("urn:a", "p:item", "2");
    e_->setAttributeNS("urn:b", "q:item", "3");
    auto map = own(e_->get_attributes());
    auto plain = own(map->getNamedItemNS("", "plain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(plain->get_nodeValue(), "1");
    auto b = own(map->getNamedItemNS("urn:b", "item"));
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->get_nodeName(), "q:item");
    EXPECT_EQ(map->getNamedItemNS("urn:A", "item"), nullptr);
    EXPECT_EQ(map->getNamedItemNS("urn:a", "p:item"), nullptr);
    EXPECT_CODE(30002, drop(map->getNamedItemNS(nullptr, "item")));
    EXPECT_CODE(30002, drop(map->getNamedItemNS("urn:a", nullptr)));
    EXPECT_CODE(30002, drop(map->removeNamedItemNS(nullptr, "item")));
    auto removed = own(map->removeNamedItemNS("urn:a", "item"));
    ASSERT_NE(removed, nullptr);
    EXPECT_STREQ(removed->get_nodeName(), "p:item");
    EXPECT_EQ(refs(removed.get()), 1);
    EXPECT_EQ(map->get_length(), 2);
    EXPECT_EQ(map->removeNamedItemNS("urn:a", "item"), nullptr);
}

TEST_F(AttributeMap, NextNodeNeedsResetAfterFilling) {
    auto map = own(e_->get_attributes());
    e_->setAttribute("name", "1");
    e_->setAttribute("id", "2");
    EXPECT_EQ(map->nextNode(), nullptr);
    map->reset();
    std::string seen;
    while (auto n = own(map->nextNode())) seen += std::string(n->get_nodeName()) + ";";
    EXPECT_EQ(seen, "id;name;");
    EXPECT_EQ(map->nextNode(), nullptr);
    drop(map->get_item(1)); // indexed access has a position of its own
    EXPECT_EQ(map->nextNode(), nullptr);
    map->reset();
    auto first = own(map->nextNode());
    EXPECT_STREQ(first->get_nodeName(), "id");
}

TEST_F(AttributeMap, CursorNeverReadsARemovedEntry) {
    e_->setAttribute("id", "1");
    e_->setAttribute("name", "2");
    auto map = own(e_->get_attributes());
    EXPECT_EQ(refs(map.get()), 2); // the element's and ours
    map->reset();
    drop(map->nextNode()); // the cursor now points at name
    e_->removeAttribute("name");
    auto next = own(map->nextNode()); // undefined which, but never the removed one
    if (next) {
        EXPECT_STREQ(next->get_nodeName(), "id");
    }
    e_->removeAttribute("id");
    map->reset();
    EXPECT_EQ(map->nextNode(), nullptr);
}

TEST_F(AttributeMap, MapOfAttributesSetBeforeItWasAskedFor) {
    auto f = elem("f");
    f->setAttribute("a", "1");
    auto map = own(f->get_attributes());
    EXPECT_EQ(map->nextNode(), nullptr);
    map->reset();
    auto a = own(map->nextNode());
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->get_nodeName(), "a");
}

} // namespace
} // namespace tovel_test
