// Filled by the apparatus list and the import run.
