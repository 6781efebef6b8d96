// Replaced by the platform implementation.
