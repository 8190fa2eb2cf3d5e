// One size of generated scan, measured in the benchmark window: the scan, the fill and the sorts,
// each against its floor in the same run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bench_window.h"

namespace orvel::bench {

struct SortResult {
  double orvel = 0;     // ms: ListView1.SortItems, LVM_SORTITEMS through the toolkit with CompareItems
  double bareList = 0;  // ms: LVM_SORTITEMS on the bare list with a plain callback around CompareItems
  double stdSort = 0;   // ms: std::sort of the same rows with CompareItems
  double toBareList = 0;  // median ratios of runs side by side
  double toStdSort = 0;
  std::size_t listComparisons = 0;
  std::size_t stdComparisons = 0;
};

// Times are medians in milliseconds; ratios are medians of the ratios of runs side by side.
struct SizeResult {
  int rows = 0;
  int runs = 0;  // of the scan and the fill
  int sortRuns = 0;
  double scan = 0;          // ScanProcesses
  double bareScan = 0;      // the same COM calls, keeping nothing
  double clientScan = 0;    // the same calls through Orvel's WMI client, keeping nothing
  double keepingScan = 0;   // the same COM calls, converting every value into records kept, in plain code
  double statusPaints = 0;  // the scan's two status texts sent bare to the status bar
  double scanRatio = 0;
  double scanRatioLessStatus = 0;
  double scanRatioToKeeping = 0;  // less the status texts, against the plain records
  double fill = 0;      // ListView1 filled as StartButtonClick fills it, until painted
  double bareFill = 0;  // the bare list filled with the same texts, until painted
  double fillRatio = 0;
  double clear = 0;  // ListView1.Clear of a list holding this many rows
  SortResult byFolder;
  SortResult byRam;
  std::size_t sortAllocations = 0;  // operator new calls in all timed sorts
};

// The stand-in must serve exactly this many processes (ORVEL_WMI_SCENARIO set by the caller).
SizeResult MeasureSize(BenchWindow& window, int rows, int runs, int sortRuns);

}  // namespace orvel::bench
