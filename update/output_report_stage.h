// The second image of an 8K receiver of model 2, sent from the window once the worker
// has reported success: image 277 over output report 8 to the receiver's output
// interface.
#pragma once

class UpgradeView;

// Runs to its end on the calling thread; a failure shows "8K接收器升级失败". The
// handles it opened stay open whatever the outcome.
void RunOutputReportStage(UpgradeView& view);
