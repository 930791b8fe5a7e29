// The session's start-up and exit steps.
#include "session/session.h"

#include "session/appstate.h"
#include "session/session_file.h"

static const OptionsStore *g_store; // the front end's, from session_start

AppState *session_start(const char *exe_path, const OptionsStore *store)
{
    g_store = store;
    AppState *app = app_state_create(exe_path);
    g_app = app;
    store->load(&app->options, exe_path);
    return app;
}

int session_save(AppState *app, int save_file, int save_options)
{
    int saved = !save_file || session_save_file(app);
    if (save_options && !g_store->save(&app->options)) {
        session_report_text(app, g_store->save_failed, nullptr);
        saved = 0;
    }
    return saved;
}

void session_end(AppState *app)
{
    app_state_destroy(app);
}
