// Placeholder so that the library has a source until the worker and the dialog land.
