// Archives claimed by the folders of one run: one file, whatever the spelling that reaches it.
#include "support/EngineFixture.h"

#include "engine/ArchiveClaims.h"

using namespace qbtest;

class ArchiveClaimsTest : public EngineTest { };

TEST_F(ArchiveClaimsTest, SameFileBySpellingCaseOrLink)
{
    MakeFolder("D:\\OUT");
    qb::engine::ArchiveClaims claims;
    claims.Claim("D:\\OUT\\ABC.LZH", "C:\\Work\\abc");
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\ABC.LZH"), "C:\\Work\\abc");
    // Nothing written yet: another spelling is another file on this file system.
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\abc.LZH"), "");

    WriteFile("D:\\OUT\\ABC.LZH", "archive");
    claims.Settle();
    // Now the module would reach ABC.LZH through abc.LZH too.
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\abc.lzh"), "C:\\Work\\abc");
    EXPECT_EQ(claims.OwnerOf("d:\\out\\ABC.LZH"), "C:\\Work\\abc");
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\ABC.ZIP"), "");
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\ABC.LZH.LZH"), "");

    // The first claim of a file stays its owner.
    claims.Claim("D:\\OUT\\ABC.LZH", "C:\\Old\\abc");
    EXPECT_EQ(claims.OwnerOf("D:\\OUT\\ABC.LZH"), "C:\\Work\\abc");
}
