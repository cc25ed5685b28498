// The sixteen-bytes-at-a-time text paths against plain references on random text (runs
// of white space and escapes at every offset of a block), and a buffer loaded in pieces
// failing past the first piece exactly where the same bytes read from a file fail.
#include <cstdio>
#include <expat.h>
#include <fstream>
#include <random>
#include <vector>

#include "test_support.h"

using namespace tovel_test;

TEST(TextPaths, NormalizeAndEscapeMatchPlainReferences) {
    std::mt19937 random(7);
    const char* const raw[] = {"a", "\xc3\xa9", " ", " ", "\n", "\t", "&amp;", "&lt;", "&gt;"};
    const char* const kept[] = {"a", "\xc3\xa9", " ", " ", " ", " ", "&amp;", "&lt;", "&gt;"};
    for (int round = 0; round < 400; ++round) {
        std::string text = "<r>", printed;
        for (int n = random() % 90; n > 0; --n) {
            int piece = random() % 9;
            text += raw[piece];
            if (piece < 2 || piece > 5 || (!printed.empty() && printed.back() != ' '))
                printed += kept[piece];
        }
        if (!printed.empty() && printed.back() == ' ') printed.pop_back();
        auto doc = own(createTOVELDOMDocument_7_4_0());
        doc->loadXML((text + "</r>").c_str(), int(text.size() + 4));
        printed = printed.empty() ? "<r/>" : "<r>" + printed + "</r>";
        EXPECT_EQ(printed, std::string(peek(doc->get_documentElement())->get_xml()));
    }
}

TEST(TextPaths, PiecesFailWhereAFileFails) {
    std::string text =
        "<r>" + std::string(200000, 'x') + "\n<a>" + std::string(70000, 'y') + "</b>";
    std::string path = ::testing::TempDir() + "/toveldom_pieces.xml";
    std::ofstream(path, std::ios::binary) << text;
    std::vector<int> found[2];
    for (int fromFile = 0; fromFile < 2; ++fromFile) {
        auto doc = own(createTOVELDOMDocument_7_4_0());
        try {
            fromFile ? doc->load(path.c_str()) : doc->loadXML(text.data(), int(text.size()));
        } catch (const TOVELParseException& e) {
            found[fromFile] = {e.getErrorCode(), e.getOffset(), e.getLinePos(), e.getColPos()};
        }
        EXPECT_EQ(nullptr, peek(doc->get_documentElement()));
    }
    std::remove(path.c_str());
    EXPECT_EQ((std::vector<int>{XML_ERROR_TAG_MISMATCH, int(text.size()) - 2, 2, 70005}), found[0]);
    EXPECT_EQ(found[0], found[1]);
}
