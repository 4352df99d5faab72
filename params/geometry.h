#pragma once
// Screen and image geometry shared by the camera views, the inspection and
// the dialogs. The camera start-up sets the image size; the display area is
// fixed for the 1920 x 1080 panel.

extern int gShowW;       // camera display area width (1725)
extern int gShowH;       // camera display area height (982)
extern double gShowAW;   // display-to-image scale: view x = image x * gShowAW
extern double gShowAH;   // display-to-image scale: view y = image y * gShowAH
extern int gImageW;      // working image width
extern int gImageH;      // working image height
extern int gImageLen;    // one 8-bit plane: gImageW * gImageH
extern int gColorLen;    // frame-buffer length: 4 bytes per pixel when colour is on
extern bool gisColor;    // colour setting of the run

// Sets the working image size and everything derived from it.
void SetImageGeometry(int width, int height, bool color);
