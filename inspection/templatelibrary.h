#pragma once
// The template library of a view: per step up to gTempNum template slots,
// slot 0 the sampled reference that is never replaced here. Which slot a new
// template takes, browsing, file times and clearing, without any screen.
#include <QString>
#include <QStringList>

class CammerData;

// Slot for a new template of the step. While a slot is free: the lowest free
// one (it becomes used and the count grows). With every slot in use: the used
// slot other than 0 whose bitmap is the oldest (a used slot without a bitmap
// counts as the oldest; ties go to the lower slot); only names
// "template<number>.bmp" count, and bitmaps of slots past the slot count are
// deleted on the way, their names (without ".bmp") returned in `removed`.
// -1 with fewer than two slots.
int TakeTemplateSlot(CammerData& view, int step, int slotCount, QStringList* removed = nullptr);

// The used slot before (forward false) or after `from`, wrapping; slot 0
// always ends the search.
int BrowseTemplate(const CammerData& view, int step, int from, bool forward, int slotCount);

// "yyyy-MM-dd hh.mm.ss" of the slot's bitmap; empty when there is none.
QString TemplateFileTime(const CammerData& view, int step, int slot);

// Only template 0 stays in use in memory; of the step's files named
// "template*", sorted by name, all but the first are deleted. Returns the
// deleted names; a file that could not be deleted is named in `kept` and its
// slot stays as it was in memory, as the next start would load it.
QStringList KeepFirstTemplate(CammerData& view, int step, int slotCount, QStringList* kept = nullptr);
