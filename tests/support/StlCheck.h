#pragma once

// What a slicer will see of an exported STL: admesh's report (Debian's admesh
// on PATH) and the binary file's own size.

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

struct StlReport
{
    bool bRan = false;
    QString sText;
    int nFacets = -1;
    int nDisconnectedFacets = -1;
    int nParts = -1;
    int nDegenerate = -1;
    int nReversed = -1;
    int nBackwardsEdges = -1;
    double dMin[3] = {0, 0, 0};
    double dMax[3] = {0, 0, 0};

    // Closed: every edge has a neighbour, nothing degenerate or backwards.
    bool isClosed() const
    {
        return bRan && nFacets > 0 && nDisconnectedFacets == 0 && nDegenerate == 0 && nReversed == 0 &&
               nBackwardsEdges == 0;
    }
    double extent(int nAxis) const { return dMax[nAxis] - dMin[nAxis]; }
};

// Runs "admesh -e -d" on the file and reads its counts (the "Original" column).
inline StlReport checkStl(const QString& sPath)
{
    StlReport report;
    QProcess admesh;
    admesh.start(QStringLiteral("admesh"), {QStringLiteral("-e"), QStringLiteral("-d"), sPath});
    if (!admesh.waitForFinished(120000) || admesh.exitStatus() != QProcess::NormalExit || admesh.exitCode() != 0)
    {
        report.sText = QString::fromLocal8Bit(admesh.readAllStandardError());
        return report;
    }
    report.bRan = true;
    report.sText = QString::fromLocal8Bit(admesh.readAllStandardOutput());
    const auto number = [&report](const QString& sLabel) {
        const QRegularExpression re(QRegularExpression::escape(sLabel) + QStringLiteral("\\s*:\\s*(-?[0-9.]+)"));
        const QRegularExpressionMatch match = re.match(report.sText);
        return match.hasMatch() ? match.captured(1).toDouble() : -1.0;
    };
    report.nFacets = int(number(QStringLiteral("Number of facets")));
    report.nDisconnectedFacets = int(number(QStringLiteral("Total disconnected facets")));
    report.nParts = int(number(QStringLiteral("Number of parts")));
    report.nDegenerate = int(number(QStringLiteral("Degenerate facets")));
    report.nReversed = int(number(QStringLiteral("Facets reversed")));
    report.nBackwardsEdges = int(number(QStringLiteral("Backwards edges")));
    const char* axes[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i)
    {
        const QRegularExpression re(QStringLiteral("Min %1 =\\s*(-?[0-9.]+), Max %1 =\\s*(-?[0-9.]+)").arg(axes[i]));
        const QRegularExpressionMatch match = re.match(report.sText);
        if (match.hasMatch())
        {
            report.dMin[i] = match.captured(1).toDouble();
            report.dMax[i] = match.captured(2).toDouble();
        }
    }
    return report;
}

// A binary STL holds an 84-byte head and 50 bytes per facet.
inline bool hasBinaryStlSize(const QString& sPath, int nFacets)
{
    return QFileInfo(sPath).size() == 84 + 50 * qint64(nFacets);
}
