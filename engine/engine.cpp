// Placeholder translation unit so the engine library exists before its modules.
