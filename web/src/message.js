// The one way the pages show a message: a dialog titled "Error" (or as
// given), focused, closed with OK or Escape; then the focus goes where the
// caller says. Every message is also kept in window.morvaneMessages so that
// tests see them.
const shown = (window.morvaneMessages = []);

export function showMessage(text, { title = 'Error', then = null } = {}) {
  shown.push({ title, text });
  const dialog = document.getElementById('message');
  document.getElementById('message-title').textContent = title;
  document.getElementById('message-text').textContent = text;
  dialog.hidden = false;
  const ok = document.getElementById('message-ok');
  const close = () => {
    dialog.hidden = true;
    ok.removeEventListener('click', close);
    dialog.removeEventListener('keydown', escape);
    if (then) then.focus();
  };
  const escape = (e) => {
    if (e.key === 'Escape') close();
  };
  ok.addEventListener('click', close);
  dialog.addEventListener('keydown', escape);
  ok.focus();
}
