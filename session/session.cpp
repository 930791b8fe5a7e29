// The session's start-up and exit steps.
#include "session/session.h"

#include "session/appstate.h"
#include "session/session_file.h"

AppState *session_start(const char *exe_path)
{
    AppState *app = app_state_create(exe_path);
    g_app = app;
    options_load(&app->options, exe_path);
    return app;
}

int session_save(AppState *app, int save_file, int save_options)
{
    int saved = !save_file || session_save_file(app);
    if (save_options && !options_save(&app->options)) {
        session_report_text(app, OPTIONS_SAVE_FAILED, nullptr);
        saved = 0;
    }
    return saved;
}

void session_end(AppState *app)
{
    app_state_destroy(app);
}
