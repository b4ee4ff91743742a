#include <gtest/gtest.h>

#include <string>

#include "core/files/XmlFile.h"
#include "support/TempFolder.h"
#include "support/TestData.h"

namespace {
std::string RootName(TiXmlDocument& document) {
    const TiXmlElement* root = document.RootElement();
    return root ? root->ValueStr() : std::string();
}
}  // namespace

TEST(XmlFileTest, NamesResolveLikeEveryDataFile) {
    ScopedWorkingFolder work;
    work.Folder().Write("data/descriptions/car.xml", "<car><mass value=\"3\"/></car>");
    // An exact match of the name as given would open this one: the reader lower-cases the name first.
    work.Folder().Write("data/descriptions/CAR.XML", "<upper/>");

    TiXmlDocument document;
    ASSERT_TRUE(LoadXmlFile(document, "Data\\Descriptions\\CAR.XML"));
    EXPECT_EQ(RootName(document), "car");
    EXPECT_EQ(document.ValueStr(), "Data\\Descriptions\\CAR.XML") << "the value is the name as given";
    EXPECT_FALSE(document.Error());
}

TEST(XmlFileTest, TheTextEndsAtTheFirstZeroByte) {
    ScopedWorkingFolder work;
    work.Folder().Write("a.xml", std::string("<a/>\0<<garbage", 14));
    work.Folder().Write("unterminated.xml", std::string("<b><c/></b>"));

    TiXmlDocument document;
    EXPECT_TRUE(LoadXmlFile(document, "a.xml"));
    EXPECT_EQ(RootName(document), "a");
    EXPECT_TRUE(LoadXmlFile(document, "unterminated.xml")) << "no zero byte is needed in the file";
    EXPECT_EQ(RootName(document), "b");
}

TEST(XmlFileTest, ASecondLoadReplacesTheFirst) {
    ScopedWorkingFolder work;
    work.Folder().Write("first.xml", "<first/><!-- c -->");
    work.Folder().Write("second.xml", "<second/>");

    TiXmlDocument document;
    ASSERT_TRUE(LoadXmlFile(document, "first.xml"));
    ASSERT_TRUE(LoadXmlFile(document, "second.xml"));
    EXPECT_EQ(RootName(document), "second");
    EXPECT_EQ(document.FirstChild(), document.RootElement()) << "nothing of the first file is left";
    EXPECT_EQ(document.ValueStr(), "second.xml");
}

// Each failure leaves an empty document that says why; an error of an earlier load never stands in for
// the present one (the library keeps the first error it is given).
TEST(XmlFileTest, FailuresAndTheirErrors) {
    ScopedWorkingFolder work;
    work.Folder().Write("good.xml", "<good/>");
    work.Folder().Write("bad.xml", "<a>\n<b></a>");
    work.Folder().Write("empty.xml", "");
    work.Folder().MakeFolder("folder.xml");

    struct Case {
        const char* file;
        bool error;
        int errorId;
    };
    const Case cases[] = {
        {"missing.xml", true, TiXmlBase::TIXML_ERROR_OPENING_FILE},
        {"folder.xml", true, TiXmlBase::TIXML_ERROR_OPENING_FILE},
        {"empty.xml", false, 0},
    };
    for (const Case& c : cases) {
        for (const char* before : {"good.xml", "bad.xml"}) {
            TiXmlDocument document;
            LoadXmlFile(document, before);
            EXPECT_FALSE(LoadXmlFile(document, c.file)) << c.file;
            EXPECT_EQ(document.Error(), c.error) << c.file << " after " << before;
            EXPECT_EQ(document.ErrorId(), c.errorId) << c.file << " after " << before;
            EXPECT_EQ(document.FirstChild(), nullptr) << c.file;
            EXPECT_EQ(document.ValueStr(), c.file);
        }
    }

    TiXmlDocument document;
    EXPECT_FALSE(LoadXmlFile(document, "bad.xml"));
    EXPECT_TRUE(document.Error());
    EXPECT_NE(document.ErrorId(), TiXmlBase::TIXML_ERROR_OPENING_FILE);
    EXPECT_EQ(document.ErrorRow(), 2) << "the parse error keeps its place";
}

// A UTF-8 lead byte announces up to three more bytes, and the library steps over them without looking
// for the end of the text: a file that ends inside such a character must still be read within bounds.
// (The sanitizers see the library's own reads only where the library is built with them.)
TEST(XmlFileTest, ACharacterCutOffAtTheEndOfTheFileIsReadWithinTheText) {
    ScopedWorkingFolder work;
    const std::string padding(24, 'x');  // long enough for the text to live on the heap, sized exactly
    const std::string texts[] = {
        "<car name=\"" + padding + "\xF0",
        "<car>" + padding + "\xF0",
        "<car>" + padding + "&amp\xF0",
        "<" + padding + "\xF0",
        "<car " + padding + "\xF0",
        "<car><!-- " + padding + "\xF0",
        "<car>" + padding + "</\xF0",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        work.Folder().Write("cut.xml", text);
        TiXmlDocument document;
        EXPECT_FALSE(LoadXmlFile(document, "cut.xml"));
        EXPECT_TRUE(document.Error());
        EXPECT_NE(document.ErrorId(), TiXmlBase::TIXML_ERROR_OPENING_FILE);
    }

    // Found by fuzzing: element names of lead bytes near the end of the text.
    work.Folder().Write("regression.xml", ReadTestData("regressions/xml-utf8-name-at-end.xml"));
    TiXmlDocument document;
    EXPECT_FALSE(LoadXmlFile(document, "regression.xml"));
    EXPECT_TRUE(document.Error());
}
