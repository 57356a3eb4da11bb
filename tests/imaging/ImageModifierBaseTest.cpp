#include "ImageModifierBase.h"
#include "TestSupport.h"

namespace
{
class BareModifier : public ImageModifierBase
{
public:
    BareModifier()
        : ImageModifierBase("BARE")
    {
    }
};
} // namespace

TEST(ImageModifierBaseTest, GetValueReadsConvertibleValuesOnly)
{
    BareModifier modifier;
    modifier.setParameters({{"INT", 5},
                            {"TEXT", "12"},
                            {"WORD", "abc"},
                            {"NULL", QVariant()},
                            {"DOUBLE", 2.5},
                            {"POINTS", QVariant::fromValue(QList<QPointF>{{1, 2}})},
                            {"FLOATS", QVariant::fromValue(std::vector<F32>{1.5f})}});
    unsigned int nValue = 99;
    EXPECT_TRUE(modifier.getValue("INT", nValue));
    EXPECT_EQ(nValue, 5u);
    int n = 99;
    EXPECT_FALSE(modifier.getValue("ABSENT", n));
    EXPECT_FALSE(modifier.getValue("NULL", n));
    EXPECT_EQ(n, 99);
    EXPECT_TRUE(modifier.getValue("TEXT", n));
    EXPECT_EQ(n, 12);
    EXPECT_TRUE(modifier.getValue("WORD", n));
    EXPECT_EQ(n, 0);
    double d = 0;
    EXPECT_TRUE(modifier.getValue("DOUBLE", d));
    EXPECT_EQ(d, 2.5);

    QList<QPointF> points{{9, 9}, {8, 8}};
    EXPECT_TRUE(modifier.getValue("POINTS", points));
    EXPECT_EQ(points, (QList<QPointF>{{1, 2}}));
    std::vector<F32> floats;
    EXPECT_TRUE(modifier.getValue("FLOATS", floats));
    EXPECT_EQ(floats, std::vector<F32>{1.5f});
    // A scalar is no list.
    EXPECT_FALSE(modifier.getValue("INT", points));
    EXPECT_EQ(points.size(), 1);
    EXPECT_TRUE(modifier.getDefaultParameters().empty());
}

TEST(ImageModifierBaseTest, UnimplementedProcessLogsAndThrows)
{
    LogCapture log;
    BareModifier modifier;
    Raster2d<unsigned char> raster(2, 2);
    EXPECT_ASSERTION(modifier.process(&raster, &raster), "false");
    ImageModifierBase::RasterMap inputs;
    ImageModifierBase::RasterMap outputs;
    EXPECT_ASSERTION(modifier.process(inputs, outputs), "false");
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifierBase::"));
    EXPECT_TRUE(lines[0].endsWith(": No implementation"));
}

TEST(ImageModifierBaseTest, BaseOutputSizeIsTheInputSize)
{
    BareModifier modifier;
    Raster2d<float> input(7, 3);
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    EXPECT_EQ(nWidth, 7u);
    EXPECT_EQ(nHeight, 3u);
}
