// The status bar: what happened last, errors in the server's or effect's own words.
export class StatusBar {
  constructor(node) {
    this.node = node;
  }

  message(text) {
    this.node.textContent = text;
    this.node.classList.remove('error');
  }

  error(text) {
    this.node.textContent = text;
    this.node.classList.add('error');
  }

  clearError() {
    if (this.node.classList.contains('error')) this.message('');
  }
}
