// The rich-text codec lives here.
