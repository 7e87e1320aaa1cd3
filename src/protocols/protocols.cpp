#include "protocols/protocols.h"

#include "protocols/report_texts.h"
#include "protocols/report_writer.h"
#include "rotor/rotor_report.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

// The registry links the group into its list: it must outlive every lookup.
TextGroup g_reportTexts{textid::kProtocolTextsGroup, getReportText, reportTextAttrs, nullptr};

}  // namespace

void registerProtocols() {
    registerGroup(&g_reportTexts);
    setReportWriter(&writeReport);
}
