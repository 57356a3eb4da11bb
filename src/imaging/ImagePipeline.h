#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <map>

class ImageObject;
class ImageProcessorBase;
class ParameterObject;

// One named processing step bound by name to objects of the object tree:
// input image objects, output image objects and parameter objects. It runs its
// processor on Qt's global thread pool whenever a bound input or parameter
// object is added to the tree or a parameter changes.
//
// A pipeline never runs twice at once: a request while it runs or while it is
// disabled is remembered and served by exactly one later run. During a run the
// outputs are out of the tree and owned by the pipeline; they go back, one by
// one in name order with a signalled addition, before the busy flag is
// cleared.
//
// GUI thread only, except the processor's execute(), which runs on a pool
// thread over clones of the inputs and parameters and over the outputs.
// Bound objects are held by guarded pointers, so an object deleted behind the
// pipeline's back is never reached; outputs are looked up by name at each run.
class ImagePipeline : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of the processor. Binds the inputs and parameter objects
    // present in the tree; the pipeline starts disabled and has not run.
    ImagePipeline(const QString& sName, const QStringList& slInputImageNames, const QStringList& slOutputImageNames,
                  const QStringList& slParameterNames, ImageProcessorBase* pImageProcessorBase);
    // Waits for a running task, then deletes the processor, the clones and any
    // output that is still out of the tree.
    ~ImagePipeline() override;

    const QStringList& getInputImageNames() const { return m_slInputImageNames; }
    const QStringList& getOutputImageNames() const { return m_slOutputImageNames; }
    const QStringList& getParameterNames() const { return m_slParameterNames; }

    bool isEnabled() const { return m_bEnabled; }
    bool isCurrentlyBusy() const { return m_bCurrentlyBusy; }
    bool isTryAgainLater() const { return m_bTryAgainLater; }
    // Whether the last run that ended was refused by its processor: its
    // outputs then hold what an earlier run left, not a result of the inputs.
    bool isLastRunRefused() const { return m_bLastRunRefused; }

    ImageProcessorBase* getImageProcessor() const { return m_pImageProcessorBase; }

    // A run request. Starts a run when enabled, idle and every input and output
    // is present (inputs with a raster); remembers it when busy or disabled;
    // drops it quietly when objects are missing.
    void process();
    // Enabling runs once if a request is owed or the pipeline never ran.
    // Disabling a busy pipeline or one that owes a run throws
    // "!m_bCurrentlyBusy && !m_bTryAgainLater".
    void setEnabled(bool bEnabled);

signals:
    void signalProcessingCanceled();
    // A run ended without a result because its processor refused the inputs
    // (the outputs keep what they had). Emitted on the GUI thread once the
    // outputs are back in the tree; the reason is meant for the user.
    void signalProcessingRefused(const QString& sReason);

private slots:
    void slotChildAdded(const QString& sName);
    void slotChildRemoved(const QString& sName);
    void slotParametersChanged(const QString& sName);
    void slotProcessFinished();

private:
    ImagePipeline(const ImagePipeline&) = delete;
    ImagePipeline& operator=(const ImagePipeline&) = delete;

    bool bindInputImageObject(const QString& sName);
    bool bindParameterObject(const QString& sName);
    bool unbindParameterObject(const QString& sName);
    void bindOutputImageObjects();
    // Drops entries whose object was deleted.
    void pruneDeletedObjects();
    void cloneParameterObjects();
    void cloneInputImageObjects();
    void deleteClones();
    // Puts every held output back into the tree with a signalled addition, in
    // name order; an output the tree refuses is logged, deleted and forgotten.
    void returnOutputImageObjects();
    // Runs a request from a slot: nothing may leave a slot.
    void processFromSlot();

    // A bound object: its pointer, and a guard that turns null when the
    // object is deleted. The guard is kept as a plain QObject pointer because
    // removal signals arrive while a deleted object is half destroyed (from
    // ObjectBase's destructor), when a cast to the derived class is invalid.
    template <typename T>
    class Bound
    {
    public:
        Bound() = default;
        Bound(T* p)
            : m_pGuard(p)
            , m_p(p)
        {
        }
        // Null once the object is deleted.
        T* get() const { return m_pGuard.isNull() ? nullptr : m_p; }
        QObject* object() const { return m_pGuard.data(); }
        explicit operator bool() const { return !m_pGuard.isNull(); }

    private:
        QPointer<QObject> m_pGuard;
        T* m_p = nullptr;
    };

    std::map<QString, Bound<ParameterObject>> m_mapParameterNameToParameterObject;
    std::map<QString, ParameterObject*> m_mapParameterNameToParameterObjectClone;
    std::map<QString, Bound<ImageObject>> m_mapImageNameToInputImageObject;
    std::map<QString, Bound<ImageObject>> m_mapImageNameToOutputImageObject;
    std::map<QString, ImageObject*> m_mapImageNameToInputImageObjectClone;
    QStringList m_slInputImageNames;
    QStringList m_slOutputImageNames;
    QStringList m_slParameterNames;
    QFutureWatcher<QString>* m_pFutureWatcherProcess = nullptr;
    bool m_bEnabled = false;
    bool m_bCurrentlyBusy = false;
    bool m_bTryAgainLater = false;
    bool m_bLastRunRefused = false;
    bool m_bInitialRunPending = true;
    ImageProcessorBase* m_pImageProcessorBase = nullptr;
};
