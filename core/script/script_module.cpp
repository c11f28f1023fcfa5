// Placeholder so the library has a source until the first engine file lands.
