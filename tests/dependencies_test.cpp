// The libraries the launcher is built with: zlib through minizip for the
// content archives, TinyXML for the sim's bookmark list.
#include <string>

#include <tinyxml.h>
#include <unzip.h>
#include <zip.h>

#include "tests/support/TestEnv.h"

namespace {

using DependenciesTest = LauncherTest;

TEST_F(DependenciesTest, ZipArchiveWrittenAndReadBack)
{
    const std::string archive = TempDir() + "content.zip";
    const std::string body = "track data, compressed: " + std::string(2000, 'z');
    zipFile out = zipOpen(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(zipOpenNewFileInZip(out, "GameData\\Locations\\oval.txt", nullptr, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(out, body.data(), static_cast<unsigned>(body.size())), ZIP_OK);
    zipCloseFileInZip(out);
    ASSERT_EQ(zipClose(out, nullptr), ZIP_OK);

    unzFile in = unzOpen(archive.c_str());
    ASSERT_NE(in, nullptr);
    unz_global_info info{};
    ASSERT_EQ(unzGetGlobalInfo(in, &info), UNZ_OK);
    EXPECT_EQ(info.number_entry, 1u);
    ASSERT_EQ(unzGoToFirstFile(in), UNZ_OK);
    char name[260] = {};
    unz_file_info fileInfo{};
    ASSERT_EQ(unzGetCurrentFileInfo(in, &fileInfo, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_STREQ(name, "GameData\\Locations\\oval.txt");
    EXPECT_LT(fileInfo.compressed_size, fileInfo.uncompressed_size);
    ASSERT_EQ(unzOpenCurrentFile(in), UNZ_OK);
    std::string read(body.size() + 10, '\0');
    const int got = unzReadCurrentFile(in, &read[0], static_cast<unsigned>(read.size()));
    ASSERT_EQ(got, static_cast<int>(body.size()));
    read.resize(got);
    EXPECT_EQ(read, body);
    EXPECT_EQ(unzCloseCurrentFile(in), UNZ_OK);
    EXPECT_EQ(unzGoToNextFile(in), UNZ_END_OF_LIST_OF_FILE);
    unzClose(in);
}

TEST_F(DependenciesTest, XmlDocumentSavedAndLoaded)
{
    const std::string path = TempDir() + "bookmarks.xml";
    {
        TiXmlDocument doc;
        doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
        auto* root = new TiXmlElement("Bookmarks");
        auto* server = new TiXmlElement("Server");
        server->LinkEndChild(new TiXmlText("127.0.0.1:54297"));
        root->LinkEndChild(server);
        doc.LinkEndChild(root);
        ASSERT_TRUE(doc.SaveFile(path.c_str()));
    }
    TiXmlDocument loaded;
    ASSERT_TRUE(loaded.LoadFile(path.c_str()));
    ASSERT_NE(loaded.FirstChildElement("Bookmarks"), nullptr);
    const TiXmlElement* server = loaded.FirstChildElement("Bookmarks")->FirstChildElement("Server");
    ASSERT_NE(server, nullptr);
    EXPECT_STREQ(server->GetText(), "127.0.0.1:54297");
}

}  // namespace
