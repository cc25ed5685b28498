// Searches by tag name and by namespace, with and without letter case: pre-order, the
// document element included only for the document's searches, results are snapshots.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

class Search : public DocTest {
protected:
    // a( b( c ), c, p:item[urn:p], B ) with a comment and a processing instruction around.
    CNodePtr<ITOVELDOMElement> a_, b_, innerC_, outerC_, item_, upperB_;
    void SetUp() override {
        add(doc_, comment("c"));
        a_ = addElem(doc_, "a");
        b_ = addElem(a_, "b");
        innerC_ = addElem(b_, "c");
        outerC_ = addElem(a_, "c");
        item_ = elemNS("urn:p", "p:item");
        add(a_, item_);
        add(a_, pi("c", "not an element"));
        upperB_ = addElem(a_, "B");
    }
    std::string found(ITOVELDOMNodeList* list) {
        std::string out = names(list);
        drop(list);
        return out;
    }
};

TEST_F(Search, DocumentSearchIsPreOrderFromTheDocumentElement) {
    auto list = own(doc_->getElementsByTagName("c"));
    EXPECT_EQ(refs(list.get()), 1);
    ASSERT_EQ(list->get_length(), 2);
    EXPECT_EQ(peek(list->get_item(0)), innerC_.get());
    EXPECT_EQ(found(doc_->getElementsByTagName("*")), "a,b,c,c,p:item,B");
    EXPECT_EQ(found(doc_->getElementsByTagName("a")), "a");
}

TEST_F(Search, ElementSearchCoversDescendantsOnly) {
    EXPECT_EQ(found(a_->getElementsByTagName("*")), "b,c,c,p:item,B");
    EXPECT_EQ(found(a_->getElementsByTagName("a")), "");
    EXPECT_EQ(found(b_->getElementsByTagName("c")), "c");
    EXPECT_EQ(found(innerC_->getElementsByTagName("*")), "");
}

TEST_F(Search, NoCaseFoldsNamesOnly) {
    EXPECT_EQ(found(doc_->getElementsByTagName("b")), "b");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("b")), "b,B");
    EXPECT_EQ(found(a_->getElementsByTagNameNoCase("C")), "c,c");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("A")), "a");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("P:ITEM")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase("urn:p", "ITEM")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase("URN:P", "item")), "");
    EXPECT_EQ(found(a_->getElementsByTagNameNSNoCase("URN:P", "item")), "");
    addElem(b_, "zZ"); // the last letter folds too
    EXPECT_EQ(found(b_->getElementsByTagNameNoCase("ZZ")), "zZ");
    EXPECT_EQ(found(doc_->getElementsByTagName("*x")), ""); // "*" only alone means every name
}

TEST_F(Search, QualifiedNamesAndNamespaces) {
    EXPECT_EQ(found(doc_->getElementsByTagName("item")), "");
    EXPECT_EQ(found(doc_->getElementsByTagName("p:item")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("urn:p", "item")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS("urn:p", "*")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS("*", "item")), "");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("", "c")), "c,c");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("", "*")), "a,b,c,c,B");
    // A null URI falls back to the name search against the qualified name.
    EXPECT_EQ(found(doc_->getElementsByTagNameNS(nullptr, "p:item")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS(nullptr, "p:item")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase(nullptr, "P:Item")), "p:item");
}

TEST_F(Search, ResultIsASnapshotHoldingItsElements) {
    auto list = own(doc_->getElementsByTagName("c"));
    EXPECT_EQ(refs(innerC_.get()), 3); // b's list, our holder, the result
    drop(b_->removeChild(innerC_));
    EXPECT_EQ(list->get_length(), 2);
    EXPECT_EQ(peek(list->get_item(0)), innerC_.get());
    EXPECT_EQ(innerC_->get_parentNode(), nullptr);
    addElem(a_, "c");
    EXPECT_EQ(list->get_length(), 2);
    auto again = own(doc_->getElementsByTagName("c"));
    EXPECT_NE(again.get(), list.get());
    EXPECT_EQ(again->get_length(), 2);
}

} // namespace
} // namespace tovel_test
