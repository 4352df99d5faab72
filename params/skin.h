#pragma once
// Shared skin images painted by a few widgets; made once by Data_Init and
// never freed. A missing image gives a null pixmap, which paints nothing.
class QPixmap;

extern QPixmap* gpPixmapLogo;
extern QPixmap* gpPixmapBG;
extern QPixmap* gpPixmapEdit;
extern QPixmap* gpPixmapSlideru;
extern QPixmap* gpPixmapSliderd;
extern QPixmap* gpPixmapSlidert;
extern QPixmap* gpPixmapButton[2]; // 0 up, 1 down
extern QPixmap* gpPixmapOUT[2];    // 0 output off, 1 on

void MakeSkinPixmaps();
