#pragma once
// Qt's own texts (dialog buttons, file-dialog columns, the print preview's
// tooltips, line-edit context menus) in Russian, as the rest of the program.

class QCoreApplication;

namespace vyn {

// Loads Qt's Russian translations from Qt's translations directory and installs
// them into the application; false when they are not installed (Qt then shows
// its English texts).
bool installQtRussianTranslations(QCoreApplication& app);

} // namespace vyn
