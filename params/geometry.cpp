#include "params/geometry.h"

int gShowW = 1725;
int gShowH = 982;
double gShowAW = 1.0;
double gShowAH = 1.0;
int gImageW = 0;
int gImageH = 0;
int gImageLen = 0;
int gColorLen = 0;
bool gisColor = false;

void SetImageGeometry(int width, int height, bool color)
{
    gImageW = width;
    gImageH = height;
    gisColor = color;
    gImageLen = width * height;
    gColorLen = color ? gImageLen * 4 : gImageLen;
    gShowAW = width > 0 ? double(gShowW) / width : 1.0;
    gShowAH = height > 0 ? double(gShowH) / height : 1.0;
}
