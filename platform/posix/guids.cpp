// Filled in by the platform implementation.
