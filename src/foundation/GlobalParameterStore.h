#pragma once

#include <QString>
#include <QVariant>

// Process-wide, in-memory map of settings (QString keys to QVariant values).
// Nothing is loaded or saved. Every operation takes the store's lock, so any
// thread may use it.
class GlobalParameterStore
{
public:
    // Keys in use, with the default their readers pass.
    static inline const QString LAST_DIR = QStringLiteral("LastDir"); // QString, home location
    static inline const QString NUMBER_OF_SMOOTHING_STEPS =
        QStringLiteral("MeshGenerator::Parameters::NumberOfSmoothingSteps"); // int, 8
    static inline const QString NUMBER_OF_VERTICES =
        QStringLiteral("MeshGenerator::Parameters::NumberOfVertices"); // int, 128000
    static inline const QString MESH_GENERATION_RESOLUTION =
        QStringLiteral("MeshGenerator::Parameters::MeshGenerationResolution"); // int, 128
    static inline const QString MESH_MERGER_SCALE = QStringLiteral("MeshMerger::Parameters::Scale"); // double, 50.0
    static inline const QString DOWNSIZED_RESOLUTION = QStringLiteral("DownsizedResolution"); // int, 512
    static inline const QString UPSIZED_RESOLUTION = QStringLiteral("UpsizedResolution");     // int, 1024

    // The stored value converted to T, or defaultValue when the key is absent
    // or its value does not convert to T. A missing key is not inserted.
    // T: int, unsigned int, double, QString.
    template <typename T>
    static T getValue(const QString& sKey, const T& defaultValue);

    // Inserts or overwrites. T: int, unsigned int, double, QString.
    template <typename T>
    static void setValue(const QString& sKey, const T& value);

    static bool contains(const QString& sKey);

private:
    GlobalParameterStore() = delete;
};
