#pragma once

class QCoreApplication;

// The toolkit's own texts (the buttons and labels of its standard dialogs)
// follow the interface language: the Portuguese interface loads the
// toolkit's Brazilian Portuguese catalogue when it is installed. Call after
// the language flag is set; false when the catalogue was not found.
bool installToolkitTranslation(QCoreApplication &app);
