#pragma once

// String resources the framework itself formats; every program built on it
// carries them in its string table.
#define IDS_FRAMEWORK_TOO_LONG 25092 // "%1!u!": the field's capacity
#define IDS_FRAMEWORK_COMMDLG_ERROR 25093 // "%1!08X!": CommDlgExtendedError
