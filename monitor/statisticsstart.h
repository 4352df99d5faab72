#pragma once
// Makes the production statistics for the main window: binds the statistics
// to the window (production time, archive folder, cycle time, temperature
// words and alarm flag), makes the store gpResStatisticsParam (when there is
// none) and the page, hidden, as the window's statisticsWidget, which the
// statistics command shows. The start-up does not call it: a page judges the
// temperatures once a second, and its alarm fails the mold step.
class MainWindow;
class StatisticsWidget;

// A production time of 0 becomes the present. Returns the page (the window's
// own when it already has one).
StatisticsWidget* MakeStatistics(MainWindow& window);
