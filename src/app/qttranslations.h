#pragma once
// Qt's own texts (file dialogs, message-box buttons, context menus of text fields) in
// Japanese, as every caption of the program is.
class QCoreApplication;

// Loads Qt's Japanese translations into the application; false when they are not
// installed (the standard dialogs then stay English).
bool installQtTranslations(QCoreApplication& app);
