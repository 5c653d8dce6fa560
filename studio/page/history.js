// Undo and redo over whole documents: one step per finished edit or gesture.
export class History {
  constructor(limit = 500) {
    this.limit = limit;
    this.undoStack = [];
    this.redoStack = [];
  }

  // Records the document as it was before an edit.
  push(before) {
    this.undoStack.push(before);
    if (this.undoStack.length > this.limit) this.undoStack.shift();
    this.redoStack = [];
  }

  undo(current) {
    if (!this.undoStack.length) return null;
    this.redoStack.push(current);
    return this.undoStack.pop();
  }

  redo(current) {
    if (!this.redoStack.length) return null;
    this.undoStack.push(current);
    return this.redoStack.pop();
  }
}
