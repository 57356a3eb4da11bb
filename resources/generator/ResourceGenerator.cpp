// Generates the pictures of the embedded resource bundles.
//
//   moldena_resource_generator <regular font> <bold font> <output folder> [<sheet folder>]
//
// writes, below the output folder:
//   icons/<Name>_default.png and icons/<Name>_checked.png for every icon,
//   main/shape/*.png, main/decoration/*.png, main/profile/bevel_profile_NN.png,
//   main/title.png, main/scale.png, main/battery.png,
//   placeholder/NoImage.png;
// and, when a sheet folder is given, the overview pictures pictures.png and
// icons.png there. The two fonts draw the letters of icons and pictures.

#include "BevelProfiles.h"
#include "ContactSheet.h"
#include "GeneratorSupport.h"
#include "Icons.h"
#include "LibraryFigures.h"
#include "Pictures.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace
{

constexpr int FIGURE_SIZE = 512;
constexpr int PROFILE_WIDTH = 256;
constexpr int PROFILE_HEIGHT = 128;

struct Generated
{
    NamedImages figures;
    NamedImages profiles;
    NamedImages singles;
    NamedImages normalIcons;
    NamedImages checkedIcons;
};

// Saves every image of the list as <folder>/<name><suffix>.png.
bool saveAll(const NamedImages& images, const QDir& folder, const QString& sSuffix)
{
    for (const auto& image : images)
    {
        if (!savePng(image.second, folder.filePath(image.first + sSuffix + ".png")))
        {
            return false;
        }
    }
    return true;
}

NamedImages drawFigures(const std::vector<LibraryFigure>& figures)
{
    NamedImages images;
    for (const LibraryFigure& figure : figures)
    {
        images.emplace_back(figure.sName, renderFigure(figure.figure(), FIGURE_SIZE));
    }
    return images;
}

bool generate(const QDir& output, Generated& generated)
{
    const NamedImages shapes = drawFigures(shapeFigures());
    const NamedImages decorations = drawFigures(decorationFigures());
    for (const auto& profile : bevelProfiles())
    {
        generated.profiles.emplace_back(profile.sName, renderProfile(profile, PROFILE_WIDTH, PROFILE_HEIGHT));
    }
    generated.singles = {
        {"title", drawTitle()}, {"scale", drawScale()}, {"battery", drawBattery()}, {"NoImage", drawNoImage()}};
    for (const IconGlyph& glyph : iconGlyphs())
    {
        generated.normalIcons.emplace_back(glyph.sName, renderIcon(glyph, defaultInk()));
        generated.checkedIcons.emplace_back(glyph.sName, renderIcon(glyph, checkedInk()));
    }
    // The decoration library holds every shape figure, so the sheet shows
    // each figure once.
    generated.figures = decorations;

    const NamedImages mainSingles(generated.singles.begin(), generated.singles.begin() + 3);
    const NamedImages placeholder(generated.singles.begin() + 3, generated.singles.end());
    return saveAll(shapes, output.filePath("main/shape"), "") &&
           saveAll(decorations, output.filePath("main/decoration"), "") &&
           saveAll(generated.profiles, output.filePath("main/profile"), "") &&
           saveAll(mainSingles, output.filePath("main"), "") &&
           saveAll(placeholder, output.filePath("placeholder"), "") &&
           saveAll(generated.normalIcons, output.filePath("icons"), "_default") &&
           saveAll(generated.checkedIcons, output.filePath("icons"), "_checked");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
    {
        std::fprintf(stderr, "usage: %s <regular font> <bold font> <output folder> [<sheet folder>]\n", argv[0]);
        return 2;
    }
    // Letters need the font database, which needs the GUI application; the
    // build has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (!loadGeneratorFonts(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])))
    {
        return 1;
    }
    Generated generated;
    if (!generate(QDir(QString::fromLocal8Bit(argv[3])), generated))
    {
        return 1;
    }
    if (argc == 5)
    {
        const QDir sheets(QString::fromLocal8Bit(argv[4]));
        if (!savePng(pictureSheet(generated.figures, generated.profiles, generated.singles),
                     sheets.filePath("pictures.png")) ||
            !savePng(iconSheet(generated.normalIcons, generated.checkedIcons), sheets.filePath("icons.png")))
        {
            return 1;
        }
    }
    return 0;
}
