// Placeholder for a folder whose classes are added later.
