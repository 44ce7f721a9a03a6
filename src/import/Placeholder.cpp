// Filled by the importers.
