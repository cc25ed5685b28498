// Attributes: values held as text children, the element's attribute methods, and the map
// (iteration by hash bucket, h = h * 33 + signed byte modulo 17, newest first inside a
// bucket; look-ups by name, index and namespace; the nextNode cursor).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace tovel_test {
namespace {

class Attributes : public DocTest {
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

TEST_F(Attributes, ValueIsTextChildrenThatTheSettersReplace) {
    auto a = attr("a");
    a->put_value("first");
    auto first = childAt(a, 0);
    EXPECT_EQ(refs(first.get()), 2);
    EXPECT_EQ(peek(first->get_parentNode()), a.get());
    EXPECT_EQ(peek(first->get_ownerDocument()), doc_.get());
    a->put_value("");
    EXPECT_EQ(kids(a), "#text=");
    EXPECT_EQ(parentOf(first), nullptr);
    EXPECT_EQ(refs(first.get()), 1);
    a->put_value(nullptr);
    EXPECT_FALSE(a->hasChildNodes());
    EXPECT_STREQ(a->get_value(), "");
    a->put_text("t");
    EXPECT_STREQ(a->get_nodeValue(), "t");
    a->put_nodeValue("n");
    add(a, text(" two")); // text children added by hand are concatenated
    EXPECT_XML(a, "a=\"n two\"");
    e_->setAttribute("empty", "");
    EXPECT_EQ(kids(own(e_->getAttributeNode("empty"))), "#text=");
    e_->setAttribute("n", nullptr);
    EXPECT_FALSE(own(e_->getAttributeNode("n"))->hasChildNodes());
}

TEST_F(Attributes, NullNamesAndMissingAttributes) {
    EXPECT_STREQ(e_->getAttribute("missing"), ""); // never null
    EXPECT_STREQ(e_->getAttributeNS("urn:x", "missing"), "");
    e_->removeAttribute("missing");
    EXPECT_CODE(30002, e_->getAttribute(nullptr));
    EXPECT_CODE(30002, e_->setAttribute(nullptr, "v"));
    EXPECT_CODE(30002, e_->removeAttribute(nullptr));
    EXPECT_CODE(30002, drop(e_->getAttributeNode(nullptr)));
    EXPECT_CODE(30002, e_->getAttributeNS("urn:x", nullptr));
    EXPECT_CODE(30002, e_->setAttributeNS("urn:x", nullptr, "v"));
    EXPECT_CODE(30002, e_->removeAttributeNS("urn:x", nullptr));
    EXPECT_CODE(30002, drop(e_->getAttributeNodeNS("urn:x", nullptr)));
    EXPECT_CODE(30002, drop(e_->setAttributeNodeNS(nullptr)));
    EXPECT_CODE(30003, drop(e_->setAttributeNode(nullptr)));
    EXPECT_CODE(30003, drop(e_->removeAttributeNode(nullptr)));
    EXPECT_CODE(30003, drop(map_->setNamedItem(nullptr)));
    EXPECT_CODE(30002, drop(map_->getNamedItemNS(nullptr, "item")));
    EXPECT_CODE(30002, drop(map_->removeNamedItemNS(nullptr, "item")));
    EXPECT_EQ(map_->getNamedItem(nullptr), nullptr);
    EXPECT_EQ(map_->removeNamedItem(nullptr), nullptr);
}

TEST_F(Attributes, SetAttributeKeepsTheNodeAndRemoveDetachesIt) {
    e_->setAttribute("a", "1");
    auto node = own(e_->getAttributeNode("a"));
    e_->setAttribute("a", "2");
    EXPECT_EQ(peek(e_->getAttributeNode("a")), node.get());
    EXPECT_TRUE(node->get_specified());
    EXPECT_EQ(own(node->get_ownerElement()).get(), e_.get());
    EXPECT_EQ(refs(e_.get()), 1);
    EXPECT_EQ(refs(node.get()), 2);
    add(node, text("w"));
    EXPECT_STREQ(e_->getAttribute("a"), "2w");
    e_->removeAttribute("a");
    EXPECT_EQ(node->get_ownerElement(), nullptr);
    EXPECT_EQ(refs(node.get()), 1);
    EXPECT_EQ(e_->getAttributeNode("a"), nullptr);
    // An attribute outlives its element.
    ITOVELDOMElement* e = doc_->createElement("x");
    e->setAttribute("a", "v");
    auto a = own(e->getAttributeNode("a"));
    e->Release();
    EXPECT_EQ(a->get_ownerElement(), nullptr);
    EXPECT_STREQ(a->get_value(), "v");
}

TEST_F(Attributes, SetAndRemoveAttributeNodeRules) {
    auto first = attr("k"), second = attr("k");
    first->put_value("1");
    EXPECT_EQ(e_->setAttributeNode(first), nullptr);
    EXPECT_EQ(peek(first->get_ownerElement()), e_.get());
    EXPECT_EQ(refs(first.get()), 2); // ours and the map's
    auto replaced = own(e_->setAttributeNode(second));
    EXPECT_EQ(replaced.get(), first.get());
    EXPECT_EQ(first->get_ownerElement(), nullptr);
    auto other = elem("other");
    EXPECT_CODE(10, drop(other->setAttributeNode(second)));
    EXPECT_CODE(10, drop(e_->setAttributeNode(second)));
    EXPECT_CODE(10, drop(other->setAttributeNodeNS(second)));
    auto otherDoc = own(createTOVELDOMDocument_7_4_0());
    auto foreign = own(otherDoc->createAttribute("f"));
    EXPECT_CODE(4, drop(e_->setAttributeNode(foreign)));
    EXPECT_CODE(4, drop(e_->setAttributeNodeNS(foreign)));
    auto a = own(doc_->createAttributeNS("urn:a", "p:x"));
    auto b = own(doc_->createAttributeNS("urn:a", "p:x"));
    EXPECT_EQ(e_->setAttributeNodeNS(a), nullptr);
    EXPECT_EQ(peek(e_->setAttributeNodeNS(b)), a.get());
    EXPECT_EQ(a->get_ownerElement(), nullptr);

    other->setAttribute("k", "2");
    EXPECT_CODE(8, drop(e_->removeAttributeNode(own(other->getAttributeNode("k")))));
    EXPECT_CODE(8, drop(e_->removeAttributeNode(attr("zz"))));
    auto removed = own(e_->removeAttributeNode(second));
    EXPECT_EQ(removed.get(), second.get());
    EXPECT_EQ(second->get_ownerElement(), nullptr);
    EXPECT_EQ(refs(second.get()), 2); // ours and the map's former one, now the caller's
    EXPECT_STREQ(other->getAttribute("k"), "2");
}

TEST_F(Attributes, NamespacedAttributes) {
    e_->setAttributeNS("urn:a", "p:x", "1");
    e_->setAttributeNS("urn:a", "q:x", "2"); // same URI and local name: updates
    EXPECT_EQ(map_->get_length(), 1);
    auto x = own(e_->getAttributeNodeNS("urn:a", "x"));
    EXPECT_STREQ(x->get_nodeName(), "p:x");
    EXPECT_STREQ(e_->getAttributeNS("urn:a", "x"), "2");
    e_->setAttributeNS("urn:b", "p:x", "3"); // same name, other URI: replaces
    EXPECT_EQ(map_->get_length(), 1);
    EXPECT_EQ(x->get_ownerElement(), nullptr);
    EXPECT_STREQ(e_->getAttributeNS("urn:b", "x"), "3");
    e_->setAttributeNS(nullptr, "plain", "4"); // null URI: by name
    e_->setAttributeNS("urn:c", "q:item", "5");
    EXPECT_STREQ(own(map_->getNamedItemNS("", "plain"))->get_namespaceURI(), "");
    EXPECT_STREQ(own(map_->getNamedItemNS("urn:c", "item"))->get_nodeName(), "q:item");
    EXPECT_EQ(map_->getNamedItemNS("urn:C", "item"), nullptr);
    EXPECT_EQ(map_->getNamedItemNS("urn:c", "q:item"), nullptr);
    auto removed = own(map_->removeNamedItemNS("urn:c", "item"));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(refs(removed.get()), 1);
    EXPECT_EQ(map_->removeNamedItemNS("urn:c", "item"), nullptr);
    e_->removeAttributeNS("urn:b", "x");
    e_->removeAttributeNS(nullptr, "plain");
    EXPECT_EQ(map_->get_length(), 0);
}

// name, id and type hash to buckets 13, 12 and 11; value shares type's bucket.
TEST_F(Attributes, IterationFollowsBucketOrder) {
    e_->setAttribute("name", "1");
    e_->setAttribute("id", "2");
    e_->setAttribute("type", "3");
    EXPECT_XML(e_, "<e type=\"3\" id=\"2\" name=\"1\"/>");
    e_->setAttribute("value", "4"); // newer in the same bucket: comes first
    EXPECT_EQ(order(e_), "value,type,id,name");
    e_->setAttribute("type", "5"); // an existing key keeps its place
    EXPECT_XML(e_, "<e value=\"4\" type=\"5\" id=\"2\" name=\"1\"/>");
    // A clone inserts in iteration order, which reverses entries that share a bucket.
    EXPECT_XML(own(e_->cloneNode(false)), "<e type=\"5\" value=\"4\" id=\"2\" name=\"1\"/>");
    // 0xE9 0x74 hashes to bucket 4 taken as signed bytes; unsigned it would land in 2,
    // before G (bucket 3).
    auto f = elem("f");
    f->setAttribute("\xE9t", "x");
    f->setAttribute("G", "y");
    EXPECT_EQ(order(f), "G,\xE9t");
}

TEST_F(Attributes, ManyKeysOrderedByBucketThenNewestFirst) {
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
    }
}

TEST_F(Attributes, NamedIndexedAndSetNamedItem) {
    e_->setAttribute("a", "1");
    e_->setAttribute("A", "2"); // keys are case-sensitive
    EXPECT_STREQ(own(map_->getNamedItem("a"))->get_nodeValue(), "1");
    EXPECT_EQ(map_->getNamedItem("b"), nullptr);
    EXPECT_EQ(map_->get_item(-1), nullptr);
    EXPECT_CODE(1, drop(map_->get_item(2)));
    EXPECT_CODE(1, drop(own(elem("f")->get_attributes())->get_item(0)));
    EXPECT_EQ(refs(own(map_->get_item(0)).get()), 2);

    auto first = attr("k"), second = attr("k");
    EXPECT_EQ(map_->setNamedItem(first), nullptr);
    ITOVELDOMNode* previous = map_->setNamedItem(second);
    EXPECT_EQ(previous, first.get());
    EXPECT_EQ(refs(first.get()), 2); // carries the map's former reference
    previous->Release();
    ITOVELDOMNode* same = map_->setNamedItem(second);
    EXPECT_EQ(same, second.get());
    EXPECT_EQ(refs(second.get()), 3); // ours, the map's, and the returned one
    same->Release();
    EXPECT_EQ(own(map_->removeNamedItem("k")).get(), second.get());
    EXPECT_EQ(refs(second.get()), 1);
    EXPECT_EQ(map_->removeNamedItem("k"), nullptr);
}

TEST_F(Attributes, CursorNeedsResetAndNeverReadsARemovedEntry) {
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
