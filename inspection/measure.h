#pragma once
// Measurements shared by the judgement and the editor's preview, so that
// what the operator previews is exactly what the cycle judges.
#include <opencv2/core.hpp>
#include <vector>

namespace measure {

// Grey range of the thresholding methods (spot, black area, white area,
// white num); bounds included. False for other methods.
bool GreyRange(int method, int minSize, int sensibility, int* lower, int* upper);

// z2 = pixels of g inside the method's grey range, AND r; white num then
// closes them with an elliptic kernel of max(minSize, 1).
bool GreySelect(int method, const cv::Mat& g, const cv::Mat& r, int minSize, int sensibility, cv::Mat& z2);

struct Blobs {
    cv::Mat found;                // z2 after the opening
    int area = 0;                 // running truncated sum of the contour areas
    int count = 0;                // number of blobs (every one, no cap)
    std::vector<cv::Rect> boxes;  // their bounding boxes, the first maxBoxes only
};
// Opens z2 with an elliptic k x k element (k below 1 counts as 1) and measures
// the external contours of the result.
Blobs OpenAndMeasure(const cv::Mat& z2, int k, int maxBoxes);

struct DirectionBlob {
    std::vector<cv::Point> contour;
    cv::Rect box;
    bool flagged; // the uncovered part of its box lies on the wrong side
};
// Direction recognition: Otsu-binarised g, external blobs with
// lower < area < upper (bounds swapped when reversed); side 0 flags a blob
// whose box's uncovered part has its centroid right of the middle, side 1
// left of it. With `inView` (255 where g came from the camera's view), the
// threshold is taken from those pixels and nothing outside them is a blob.
std::vector<DirectionBlob> DirectionBlobs(const cv::Mat& g, int lower, int upper, int side,
                                          const cv::Mat& inView = cv::Mat());

} // namespace measure
