// Documents that name an external DTD: refused by default, loaded without reading anything
// outside them when the host skips the DTD, and with external entities read when it
// resolves externals.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include <toveldom/toveldom.h>

namespace {

using namespace LUMA_7_4_0;
using Doc = CNodePtr<ITOVELDOMDocument>;

struct Mode {
    const char* name;
    bool skip, resolve;
    const char* result; // the document element as printed, or "error 22"
};

class ExternalDtd : public ::testing::TestWithParam<Mode> {};

TEST_P(ExternalDtd, LoadsAsTheModeSays) {
    const Mode& mode = GetParam();
    char dir[] = "/tmp/toveldom-dtd-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string entity = std::string(dir) + "/e.xml", dtd = std::string(dir) + "/d.dtd";
    for (const auto& [path, text] : {std::pair{entity, "<b/>"}, {dtd, "<!ENTITY u 'U'>"}})
        if (FILE* f = std::fopen(path.c_str(), "w")) std::fputs(text, f), std::fclose(f);
    const std::string xml =
        "<!DOCTYPE a SYSTEM '" + dtd + "' [<!ENTITY e SYSTEM '" + entity + "'>]><a>&e;&u;</a>";

    Doc doc = Doc::adopt(createTOVELDOMDocument_7_4_0());
    EXPECT_FALSE(TOVELDOMGetSkipExternalDTD_7_4_0(doc));
    doc->put_resolveExternals(mode.resolve);
    TOVELDOMPutSkipExternalDTD_7_4_0(doc, mode.skip);
    EXPECT_EQ(TOVELDOMGetSkipExternalDTD_7_4_0(doc), mode.skip);
    std::string got;
    try {
        doc->loadXML(xml.c_str(), int(xml.size()));
        got = CNodePtr<ITOVELDOMElement>::adopt(doc->get_documentElement())->get_xml();
        EXPECT_NE(std::string(doc->get_xml()).find("standalone=\"no\""), std::string::npos);
        // A clone keeps the setting for its own loads.
        CNodePtr<ITOVELDOMNode> copy = CNodePtr<ITOVELDOMNode>::adopt(doc->cloneNode(false));
        EXPECT_EQ(TOVELDOMGetSkipExternalDTD_7_4_0(static_cast<ITOVELDOMDocument*>(copy.p)),
                  mode.skip);
    } catch (const TOVELParseException& error) {
        got = "error " + std::to_string(error.getErrorCode());
        EXPECT_FALSE(CNodePtr<ITOVELDOMElement>::adopt(doc->get_documentElement()));
    }
    EXPECT_EQ(got, mode.result);
    std::remove(entity.c_str());
    std::remove(dtd.c_str());
    rmdir(dir);
}

// Neither mode reads the external DTD, so &u; is never defined; skipping reads no entity.
INSTANTIATE_TEST_SUITE_P(Modes, ExternalDtd,
                         ::testing::Values(Mode{"Default", false, false, "error 22"},
                                           Mode{"Skip", true, false, "<a/>"},
                                           Mode{"Resolve", false, true, "<a><b/></a>"},
                                           Mode{"Both", true, true, "<a><b/></a>"}),
                         [](const auto& info) { return info.param.name; });

} // namespace
