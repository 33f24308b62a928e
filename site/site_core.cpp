// Placeholder translation unit so the site_core library exists before its modules.
