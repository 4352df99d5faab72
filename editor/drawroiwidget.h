#pragma once
// The controller of region editing, template management and alarm review.
// It acts on every camera view at once: their region stores and masks, their
// template slots and ignore points, the image source the views show, and the
// main window's cycle state (through the editor host). It has no layout and
// paints nothing; the region and alarm option bars and each view's drawing
// toolbar call its slots.
#include <QWidget>

class CammerWidget;

// Size hint of the region panel; the main window's hint time-out resets it.
extern int gDrawHint;

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(QWidget* parent = nullptr);

    // Per camera slot: regions or templates changed; the next save retrains
    // the camera's enabled steps.
    bool retrainPending[8] = {};
    // Per camera slot and step: "delete all" cleared the step's ignore points
    // in the edit; they are cleared and written when the edit is saved.
    bool ignoreClearPending[8][8] = {};

    // The view of the one selected camera; null in the split view.
    CammerWidget* selectedView() const;
    // The selected view while it shows the live image, where regions are
    // drawn; null otherwise.
    CammerWidget* drawableView() const;
    // Template `slot` of the step becomes what the view shows (and its grey
    // or hue plane for a colour camera), with its file time.
    static void ShowTemplate(CammerWidget* view, int step, int slot);

public slots:
    // Enters editing (display state 3) or alarm review (display state 2).
    void Reset(bool);
    // Leaves editing or review.
    void Restart();
    // "End Set": saves and leaves.
    void SlotReturn();
    // Live image <-> template on the alarm screen.
    void SlotAutoChange();
    void SlotDrawRect();
    void SlotDrawCircle();
    void SlotDrawPloygn();
    void SlotDrawHand();
    void SlotCopyArea();
    void SlotDeleteROI();
    void SlotDeleteAllROI();
    // Judges the alarm step again (after saving the edits).
    void SlotReCheck();
    void ReCheckJudged();
    // "Don't Detect" the alarm step for the camera shown (or all cameras).
    void SlotNoCheckCur();
    void SlotIgnoreAlarmPoint();
    void SlotDeleteIgnorePoint();
    void ChangeDetectNum(int n);
    // Commits the edit copies the operator agrees to save, one operation
    // record per changed region, and retrains what changed. False when a
    // store's save was refused (that store's edit is kept, nothing applied).
    bool SlotSaveData();
    // Some view holds region edits (or ignore-point clears) not yet saved:
    // SlotSaveData would ask about them.
    bool editsPending() const;
    void SlotAddTemp();
    void SlotTempDeleteCur();
    // Every template but template 0 of every camera and step goes; one that
    // cannot be deleted stays in use, told and journaled. False, with nothing
    // done and the operator told, while saves are held.
    bool SlotTempDeleteAll();
    void SlotTempNext();
    void GetTempTIme(int camera, int step, int slot);

private:
    bool viewEdited(const CammerWidget* v) const;
};
