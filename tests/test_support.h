// Helpers shared by the unit tests: owning holders, exception-code checks, exact XML
// comparison and a fixture that owns a fresh document.
#ifndef TOVELDOM_TESTS_TEST_SUPPORT_H
#define TOVELDOM_TESTS_TEST_SUPPORT_H

#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <toveldom/toveldom.h>

namespace tovel_test {

using namespace LUMA_7_4_0;

// Takes over a result that already carries our reference.
template <class T> CNodePtr<T> own(T* p) { return CNodePtr<T>::adopt(p); }

// Releases a result we do not keep (null is fine).
template <class T> void drop(T* p) {
    if (p) p->Release();
}

// The current reference count of any counted object, read through AddRef/Release.
template <class T> int refs(T* p) {
    p->AddRef();
    return p->Release();
}

// Passes when f throws a TOVELDOMException carrying code.
template <class F>::testing::AssertionResult expectCode(unsigned short code, F&& f) {
    try {
        std::forward<F>(f)();
    } catch (const ITOVELDOMException& e) {
        if (e.get_code() == code) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "expected code " << code << ", caught code " << e.get_code();
    } catch (...) {
        return ::testing::AssertionFailure() << "expected code " << code << ", caught another type";
    }
    return ::testing::AssertionFailure() << "expected code " << code << ", nothing thrown";
}

#define EXPECT_CODE(code, ...) EXPECT_TRUE(::tovel_test::expectCode((code), [&] { __VA_ARGS__; }))

// Exact serialized text of a node.
#define EXPECT_XML(node, expected) EXPECT_EQ(std::string((node)->get_xml()), std::string(expected))

// Node names of the children of n, joined by commas; text-like children show their value.
inline std::string kids(ITOVELDOMNode* n) {
    std::string out;
    auto list = own(n->get_childNodes());
    for (long i = 0; i < list->get_length(); ++i) {
        auto c = own(list->get_item(i));
        if (i) out += ",";
        tagITOVELDOMNodeType t = c->get_nodeType();
        if (t == NODE_TEXT || t == NODE_CDATA_SECTION || t == NODE_COMMENT)
            out += std::string(c->get_nodeName()) + "=" + c->get_nodeValue();
        else
            out += c->get_nodeName();
    }
    return out;
}

// The names in a node list, joined by commas.
inline std::string names(ITOVELDOMNodeList* list) {
    std::string out;
    for (long i = 0; i < list->get_length(); ++i) {
        auto c = own(list->get_item(i));
        if (i) out += ",";
        out += c->get_nodeName();
    }
    return out;
}

// Child i of n (+1 ref held by the holder), or null.
inline CNodePtr<ITOVELDOMNode> childAt(ITOVELDOMNode* n, long i) {
    auto list = own(n->get_childNodes());
    return own(list->get_item(i));
}

inline CNodePtr<ITOVELDOMNode> parentOf(ITOVELDOMNode* n) { return own(n->get_parentNode()); }

// What a getter handed back, released at once: for identity checks of nodes that something
// else keeps alive (parents, owners, siblings).
template <class T> T* peek(T* p) {
    drop(p);
    return p;
}

inline ITOVELDOMPrivate* priv(ITOVELDOMNode* n) { return dynamic_cast<ITOVELDOMPrivate*>(n); }

// A fixture owning one document, with factories that hand back owning holders.
class DocTest : public ::testing::Test {
protected:
    CNodePtr<ITOVELDOMDocument> doc_ = own(createTOVELDOMDocument_7_4_0());

    CNodePtr<ITOVELDOMElement> elem(const char* name) { return own(doc_->createElement(name)); }
    CNodePtr<ITOVELDOMElement> elemNS(const char* uri, const char* name) {
        return own(doc_->createElementNS(uri, name));
    }
    CNodePtr<ITOVELDOMText> text(const char* data) { return own(doc_->createTextNode(data)); }
    CNodePtr<ITOVELDOMComment> comment(const char* data) { return own(doc_->createComment(data)); }
    CNodePtr<ITOVELDOMCDATASection> cdata(const char* data) {
        return own(doc_->createCDATASection(data));
    }
    CNodePtr<ITOVELDOMProcessingInstruction> pi(const char* target, const char* data) {
        return own(doc_->createProcessingInstruction(target, data));
    }
    CNodePtr<ITOVELDOMAttribute> attr(const char* name) { return own(doc_->createAttribute(name)); }
    CNodePtr<ITOVELDOMDocumentFragment> frag() { return own(doc_->createDocumentFragment()); }
    static CNodePtr<ITOVELDOMDocumentType> doctype(const char* name, const char* pub = "",
                                                   const char* sys = "") {
        return own(CTOVELDOMImplementation::getInstance()->createDocumentType(name, pub, sys));
    }

    // Appends child to parent and drops the returned reference.
    static void add(ITOVELDOMNode* parent, ITOVELDOMNode* child) {
        drop(parent->appendChild(child));
    }
    // A new element named name appended to parent.
    CNodePtr<ITOVELDOMElement> addElem(ITOVELDOMNode* parent, const char* name) {
        auto e = elem(name);
        add(parent, e);
        return e;
    }
};

// Creation hooks that count what they make, each making the library's own object.
namespace counting_hooks {
inline int elements = 0, attributes = 0;
inline ITOVELDOMElement* element(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* tag,
                                 char const* ns) {
    ++elements;
    return new CTOVELDOMElement(doc, parent, tag, ns);
}
inline ITOVELDOMAttribute* attribute(ITOVELDOMDocument* doc, ITOVELDOMNode* owner, char const* name,
                                     char const* ns, bool specified) {
    ++attributes;
    return new CTOVELDOMAttribute(doc, owner, name, ns, specified);
}
} // namespace counting_hooks

} // namespace tovel_test

#endif
