// Operations whose calculations are not in this build yet.  Each returns
// false / 0 / null and changes nothing, so no caller can take a result that
// was never computed.
#include "records/job_records.h"
#include "rotor/rotor.h"
