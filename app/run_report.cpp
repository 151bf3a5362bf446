#include "app/run_report.h"

#include "app/collect_all.h"
#include "platform/errors.h"
#include "report/report_file.h"

namespace kdx {

int NextProgress(int progress) {
  const int next = progress + 25;
  return next > 100 ? 0 : next;
}

RunOutcome RunReport(RunContext& context) {
  context.frontEnd.ShowInstructions();
  context.ProcessMessages();
  try {
    context.monitorRunning = false;
    context.spoolerRunning = false;
    context.installedPrinterNames.clear();
    context.fileList.Clear();
    context.answers.Clear();
    context.caches.Clear();
    CollectAll(context);
    return Button2Click(context) ? RunOutcome::Written : RunOutcome::Cancelled;
  } catch (const KdxError& error) {
    context.frontEnd.ShowError(MessageForDisplay(error.what()));
  } catch (const std::bad_alloc&) {
    context.frontEnd.ShowError(MessageForDisplay("Zu wenig Arbeitsspeicher"));
  } catch (const std::exception& error) {
    // A failure of the C++ library ends the run like any other: shown once, never a crash.
    context.frontEnd.ShowError(MessageForDisplay(error.what()));
  }
  return RunOutcome::Failed;
}

}  // namespace kdx
