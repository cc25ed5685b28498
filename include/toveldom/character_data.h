// Text, CDATA section and comment: leaves that hold a string of character data.
#ifndef TOVELDOM_CHARACTER_DATA_H
#define TOVELDOM_CHARACTER_DATA_H

#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

// The character-data operations the three kinds share. Offsets and counts are bytes.
template <class I> class TOVELDOM_API CCharacterData : public CLeafNode<I> {
public:
    char const* get_nodeValue() override;           // the data
    void put_nodeValue(char const* value) override; // null stores ""
    char const* get_text() override;                // the data itself, no cache
    void put_text(char const* text) override;
    char const* get_data() const override;
    void put_data(char const* data) override;
    long get_length() const override;
    // Bytes [offset, offset+count) in the result cache; "" for an offset outside 0..length.
    char const* substringData(long offset, long count) override;
    void appendData(char const* data) override; // null does nothing
    // INDEX_SIZE_ERR for a negative offset or a null text; past the end appends.
    void insertData(long offset, char const* data) override;
    // INDEX_SIZE_ERR unless 0 <= offset < length; a negative count reaches the end.
    void deleteData(long offset, long count) override;
    void replaceData(long offset, long count, char const* data) override;
    std::string getText() override;

    // For the library: the data without a copy.
    TOVELDOM_LOCAL const std::string& data() const { return value; }
    TOVELDOM_LOCAL std::string& mutableData() { return value; }

protected:
    TOVELDOM_LOCAL CCharacterData(ITOVELDOMDocument* owner, ITOVELDOMNode* parent, char const* data)
        : CLeafNode<I>(owner, parent), value(data ? data : "") {}

    std::string value;
};

class TOVELDOM_API CTOVELDOMText : public CCharacterData<ITOVELDOMText> {
public:
    static char const* const m_nodeName; // "#text"
    static char const* const m_nodeType; // "text"

    CTOVELDOMText();
    CTOVELDOMText(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* data);

    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    void getXML(std::string& out) override;
    // Splits at offset; the new node (+1 ref) follows this one under the same parent.
    // HIERARCHY_REQUEST_ERR when detached.
    ITOVELDOMText* splitText(long offset) override;
};

class TOVELDOM_API CTOVELDOMCDATASection : public CCharacterData<ITOVELDOMCDATASection> {
public:
    static char const* const m_nodeName; // "#cdata-section"
    static char const* const m_nodeType; // "cdatasection"

    CTOVELDOMCDATASection();
    CTOVELDOMCDATASection(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* data);

    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    void getXML(std::string& out) override;
    ITOVELDOMText* splitText(long offset) override;
    void setNamespaceURI(char const* uri) override; // HIERARCHY_REQUEST_ERR
};

class TOVELDOM_API CTOVELDOMComment : public CCharacterData<ITOVELDOMComment> {
public:
    static char const* const m_nodeName; // "#comment"
    static char const* const m_nodeType; // "comment"

    CTOVELDOMComment();
    CTOVELDOMComment(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* data);

    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    void getXML(std::string& out) override;
};

extern template class CCharacterData<ITOVELDOMText>;
extern template class CCharacterData<ITOVELDOMCDATASection>;
extern template class CCharacterData<ITOVELDOMComment>;

} // namespace LUMA_7_4_0

#endif
