// The name scheme built and taken apart again.

#include "ObjectNaming.h"
#include "WorkflowIdentifiers.h"

#include <gtest/gtest.h>

TEST(ObjectNamingTest, NamesAreBuiltAndParsedBack)
{
    const QString sFull = "/ARTIFACT:2/FRONT:5/COMPONENT:7/SHAPE:12/LOAD:13";
    EXPECT_EQ(createStateObjectName("ROOT", 1), "ROOT:1");
    EXPECT_EQ(createHookObjectName(3), "MESH_HOOK:3");
    EXPECT_EQ(createObjectName(sFull, IMAGE_RAW, HIGH_RES_HQ), sFull + "#IMAGE_RAW/HIGH_RES_HQ");
    EXPECT_EQ(createObjectName(sFull, "PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER", 0, LOW_RES_HQ),
              sFull + "#PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER/0/LOW_RES_HQ");

    // name -> tag, name without tags
    struct Case
    {
        QString sName, sTag, sWithoutTags;
    };
    const std::vector<Case> cases = {
        {sFull + "#IMAGE_RAW/LOW_RES_HQ", LOW_RES_HQ, sFull + "#IMAGE_RAW"},
        {"X/HIGH_RES_HQ", HIGH_RES_HQ, "X"},
        {"X/LOW_RES_LQ/HIGH_RES_HQ", HIGH_RES_HQ, "X"}, // the tag tested first wins
        {"X/ORIGINAL_RES_HQ", ORIGINAL_RES_HQ, "X"},
        {"X", QString(), "X"},
        {"X/INTERMEDIATE_RES_HQ", QString(), "X/INTERMEDIATE_RES_HQ"},
        {"XHIGH_RES_HQ", HIGH_RES_HQ, "XHIGH_RES_HQ"}, // a tag without "/" stays
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(getResolutionTag(c.sName), c.sTag) << c.sName.toStdString();
        EXPECT_EQ(getResolutionTag(c.sName).isNull(), c.sTag.isNull()) << c.sName.toStdString();
        EXPECT_EQ(removeResolutionTags(c.sName), c.sWithoutTags) << c.sName.toStdString();
    }
    EXPECT_EQ(getResolutionVariants("X/LOW_RES_LQ"),
              QStringList({"X/ORIGINAL_RES_HQ", "X/HIGH_RES_HQ", "X/LOW_RES_HQ", "X/LOW_RES_LQ"}));
    EXPECT_EQ(getLowResolutionTags(), QStringList({LOW_RES_LQ, LOW_RES_HQ}));
    EXPECT_EQ(getHighResolutionTags(), QStringList({ORIGINAL_RES_HQ, HIGH_RES_HQ}));

    QString sHead = "unchanged";
    QString sTail = "unchanged";
    EXPECT_FALSE(splitQualifiedName("SHAPE", sHead, sTail));
    EXPECT_EQ(sHead, "unchanged");
    EXPECT_TRUE(splitQualifiedName(joinQualifiedName("SHAPE", "LOAD"), sHead, sTail));
    EXPECT_EQ(sHead + "|" + sTail, "SHAPE|LOAD");
    EXPECT_TRUE(splitQualifiedName("a#b#c", sHead, sTail));
    EXPECT_EQ(sHead + "|" + sTail, "a|b");
    EXPECT_TRUE(splitQualifiedName("#b", sHead, sTail));
    EXPECT_EQ(sHead + "|" + sTail, "|b");
}
